#pragma once

#include <windows.h>

#include <string>

namespace secant_root {

class UniqueExcepInfo;

// Drops the thread's error information. Called before each call whose failure is described from
// it: a call that succeeded may have left some behind, which would otherwise pass for the
// description of a later failure that sets none.
void ClearErrorInfo() noexcept;

// Turns the status of a call made through interface `iid` of `object` into an error at the call:
// on failure, raises an automation-failure AppError whose number is the status and whose
// description is the error text that the object supplies for that interface (ISupportErrorInfo
// and the thread's error information), or a generic text when it supplies none. A rejected call
// also says what the user can do about the busy application.
void CheckAutomationCall(HRESULT status, IUnknown* object, REFIID iid);

// The same for IDispatch::Invoke on `object`: when the server reports an exception
// (DISP_E_EXCEPTION), the error's number and description are those the exception carries in
// `exception`.
void CheckInvoke(HRESULT status, const UniqueExcepInfo& exception, IDispatch* object);

// A status as a detail for error descriptions: its number and, when the system has one, its
// text, as in "0x80040154 Class not registered".
std::string DescribeStatus(HRESULT status);

}  // namespace secant_root
