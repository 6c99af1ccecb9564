#include "automation/spreadsheet_log.h"

#include <windows.h>
#include <wrl/client.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "automation/com/com_failure_windows.h"
#include "automation/com/com_message_filter_windows.h"
#include "automation/com/com_owners_windows.h"
#include "common/app_error.h"
#include "common/program_texts.h"

// Microsoft Excel as an out-of-process automation server, reached through COM.

namespace secant_root {
namespace {

using Microsoft::WRL::ComPtr;

// Excel.Application.
constexpr CLSID kApplicationClass = {
    0x00024500, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// _Application, a dual interface: IDispatch's functions followed by Excel's own.
constexpr IID kApplicationInterface = {
    0x000208D5, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The getter of _Application's WorksheetFunction property is entry 53 of the interface's
// function table, counted from 0 (entries 0 to 6 are the functions of IUnknown and IDispatch).
// It is called early-bound, straight from the table; COM's binary convention passes the interface
// pointer as the first argument of a __stdcall function.
constexpr std::size_t kWorksheetFunctionGetterEntry = 53;
using WorksheetFunctionGetter = HRESULT(STDMETHODCALLTYPE*)(IDispatch* application,
                                                            IDispatch** worksheetFunction);

// The dispatch identifier of the worksheet function Ln on the WorksheetFunction object.
constexpr DISPID kLnDispatchId = 0x4016;

ComPtr<IDispatch> ReadWorksheetFunction(IDispatch* application) {
    const WorksheetFunctionGetter* functionTable =
        *reinterpret_cast<const WorksheetFunctionGetter* const*>(application);
    ComPtr<IDispatch> worksheetFunction;
    ClearErrorInfo();
    CheckAutomationCall(
        functionTable[kWorksheetFunctionGetterEntry](application, &worksheetFunction), application,
        kApplicationInterface);
    if (!worksheetFunction) {
        // A success without an object would otherwise be a call through a null pointer.
        throw AutomationFailureError(E_POINTER, std::string(texts::kNoWorksheetFunctionText));
    }
    return worksheetFunction;
}

// The double that `result` holds or converts to, by the standard variant type change, made in
// place: what the result held (a string, an object reference) is let go by the change itself.
double NumberIn(VARIANT* result) {
    const VARTYPE type = result->vt;
    const HRESULT status = VariantChangeType(result, result, 0, VT_R8);
    if (FAILED(status)) {
        throw TypeMismatchError(texts::FilledText(texts::kExcelNotANumberText,
                                                  {std::to_string(type), DescribeStatus(status)}));
    }
    return result->dblVal;
}

ComPtr<IDispatch> CreateApplication() {
    ComPtr<IDispatch> application;
    const HRESULT status = CoCreateInstance(kApplicationClass, nullptr, CLSCTX_LOCAL_SERVER,
                                            kApplicationInterface, &application);
    if (FAILED(status)) {
        // No class or no program registered for it: the spreadsheet application is not installed.
        const bool missing = status == REGDB_E_CLASSNOTREG || status == CO_E_APPNOTFOUND;
        throw CannotCreateObjectError(DescribeStatus(status), missing ? texts::kInstallExcelAdvice
                                                                      : texts::kStartExcelAdvice);
    }
    if (!application) {
        throw CannotCreateObjectError(DescribeStatus(E_POINTER));
    }
    return application;
}

}  // namespace

// The application object of each open context, held by the one reference its context owns, and
// the message filter that retries the calls a busy application rejects: registered once an
// application is open, so that the creation itself waits as long as it takes, and revoked after
// the last application has been let go, whose release is a call to the application too.
class SpreadsheetLog::Instances {
  public:
    Context Add(ComPtr<IDispatch> application) {
        const Context context = nextContext_++;
        applications_.emplace(context, std::move(application));
        if (!retry_) {
            retry_.emplace();
        }
        return context;
    }

    IDispatch* Application(Context context) const {
        const auto found = applications_.find(context);
        if (found == applications_.end()) {
            throw AutomationFailureError(E_HANDLE, std::string(texts::kNoApplicationOpenText));
        }
        return found->second.Get();
    }

    void Remove(Context context) noexcept {
        applications_.erase(context);
        if (applications_.empty()) {
            retry_.reset();
        }
    }

  private:
    // Declared first, so that it goes last: after the applications still open at the end.
    std::optional<RejectedCallRetry> retry_;
    std::map<Context, ComPtr<IDispatch>> applications_;
    Context nextContext_ = 1;
};

SpreadsheetLog::SpreadsheetLog() : instances_(std::make_unique<Instances>()) {}

SpreadsheetLog::~SpreadsheetLog() = default;

// A new instance every time, created without a time-out of its own and left as it starts: not
// made visible, no workbook, no other call.
LogSource::Context SpreadsheetLog::Open() { return instances_->Add(CreateApplication()); }

// One property read on the application and one dispatch call on the WorksheetFunction object.
// The owners declared here release that object, then clear the result and the exception's
// strings, on the way out, with a value or with an error.
double SpreadsheetLog::Ln(Context context, double x) {
    IDispatch* application = instances_->Application(context);
    UniqueVariant argument(x);
    UniqueVariant result;
    UniqueExcepInfo exception;

    const ComPtr<IDispatch> worksheetFunction = ReadWorksheetFunction(application);
    DISPPARAMS arguments = {argument.get(), nullptr, 1, 0};
    UINT argumentInError = 0;
    ClearErrorInfo();
    CheckInvoke(worksheetFunction->Invoke(kLnDispatchId, IID_NULL, LOCALE_USER_DEFAULT,
                                          DISPATCH_METHOD | DISPATCH_PROPERTYGET, &arguments,
                                          result.get(), exception.get(), &argumentInError),
                exception, worksheetFunction.Get());
    return NumberIn(result.get());
}

// Letting go of the one reference is the application's whole shutdown.
void SpreadsheetLog::Close(Context context) noexcept { instances_->Remove(context); }

}  // namespace secant_root
