#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

// Owners of the OLE Automation values that a call fills in: each releases what it holds (an
// object reference, a string) when it goes out of scope, on every path out of the call.

namespace secant_root {

// The text of a BSTR, which may be null for an empty string.
inline std::wstring_view BstrText(BSTR text) noexcept {
    return text == nullptr ? std::wstring_view() : std::wstring_view(text, SysStringLen(text));
}

// One VARIANT, empty from the start and cleared at the end.
class UniqueVariant {
  public:
    UniqueVariant() noexcept { VariantInit(&value_); }
    // A VT_R8 value, which needs no clearing but is owned the same way.
    explicit UniqueVariant(double number) noexcept : UniqueVariant() {
        value_.vt = VT_R8;
        value_.dblVal = number;
    }
    ~UniqueVariant() { VariantClear(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;

    VARIANT* get() noexcept { return &value_; }

  private:
    VARIANT value_;
};

// One BSTR, freed at the end.
class UniqueBstr {
  public:
    UniqueBstr() = default;
    ~UniqueBstr() { SysFreeString(value_); }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;

    // The address a call writes a new string to; a string held before is freed first.
    BSTR* put() noexcept {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    std::wstring_view view() const noexcept { return BstrText(value_); }

  private:
    BSTR value_ = nullptr;
};

// The EXCEPINFO that IDispatch::Invoke fills in when the server raises an exception. Its three
// strings are freed at the end. A deferred fill-in is never called: the server runs in a process
// of its own, so the function's address is one in the server's memory, and the fields that the
// exception carries across are all there is.
class UniqueExcepInfo {
  public:
    UniqueExcepInfo() noexcept : info_{} {}
    ~UniqueExcepInfo() {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
    }
    UniqueExcepInfo(const UniqueExcepInfo&) = delete;
    UniqueExcepInfo& operator=(const UniqueExcepInfo&) = delete;

    EXCEPINFO* get() noexcept { return &info_; }

    // The error code the exception carries: its scode when it is not zero, else its 16-bit wCode
    // itself (1004, as spreadsheet applications number their errors), else `fallback`.
    std::int32_t ErrorCode(HRESULT fallback) const noexcept;
    std::wstring_view Description() const noexcept { return BstrText(info_.bstrDescription); }

  private:
    EXCEPINFO info_;
};

}  // namespace secant_root
