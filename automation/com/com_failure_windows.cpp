#include "automation/com/com_failure_windows.h"

#include <wrl/client.h>

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <utility>

#include "automation/com/com_owners_windows.h"
#include "common/app_error.h"
#include "common/program_texts.h"
#include "common/utf16_windows.h"

namespace secant_root {
namespace {

using Microsoft::WRL::ComPtr;

// The description that `object` supplies for its failed call through `iid`. The thread's error
// information is taken in any case, which clears it, so that it cannot be mistaken for the error
// of a later call; it is used only when the object states that it sets it for that interface.
// (What an earlier call that succeeded left behind is cleared before each call: ClearErrorInfo.)
std::string SuppliedDescription(IUnknown* object, REFIID iid) {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info) {
        return {};
    }
    ComPtr<ISupportErrorInfo> support;
    if (FAILED(object->QueryInterface(IID_PPV_ARGS(&support))) ||
        support->InterfaceSupportsErrorInfo(iid) != S_OK) {
        return {};
    }
    UniqueBstr description;
    if (FAILED(info->GetDescription(description.put()))) {
        return {};
    }
    return Utf8FromUtf16(description.view());
}

std::int32_t ErrorNumber(HRESULT status) { return static_cast<std::int32_t>(status); }

// The server turned the call down (RPC_E_CALL_REJECTED, also once the message filter has given
// up retrying it) or asked for it to be made again later with no filter to retry it
// (RPC_E_SERVERCALL_RETRYLATER): the spreadsheet application is busy, or waits in a dialog.
bool IsRejectedCall(HRESULT status) noexcept {
    return status == RPC_E_CALL_REJECTED || status == RPC_E_SERVERCALL_RETRYLATER;
}

// The failure keeps its number and the server's text; a rejected call adds what to do.
AppError FailedCallError(HRESULT status, std::string description) {
    const AppError error = AutomationFailureError(ErrorNumber(status), std::move(description));
    if (!IsRejectedCall(status)) {
        return error;
    }
    return AppError(error.kind(), error.number(), error.description(),
                    std::string(texts::kExcelBusyAdvice));
}

}  // namespace

void ClearErrorInfo() noexcept { SetErrorInfo(0, nullptr); }

void CheckAutomationCall(HRESULT status, IUnknown* object, REFIID iid) {
    if (FAILED(status)) {
        throw FailedCallError(status, SuppliedDescription(object, iid));
    }
}

void CheckInvoke(HRESULT status, const UniqueExcepInfo& exception, IDispatch* object) {
    if (status == DISP_E_EXCEPTION) {
        throw AutomationFailureError(exception.ErrorCode(status),
                                     Utf8FromUtf16(exception.Description()));
    }
    CheckAutomationCall(status, object, IID_IDispatch);
}

std::string DescribeStatus(HRESULT status) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(status));
    std::string description(number);

    wchar_t text[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(status), 0, text, sizeof text / sizeof text[0], nullptr);
    std::wstring_view message(text, length);
    // System messages end in a line break, which does not belong in a one-line description.
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.remove_suffix(1);
    }
    if (!message.empty()) {
        description.append(" ").append(Utf8FromUtf16(message));
    }
    return description;
}

}  // namespace secant_root
