#include "tests/stand_in_spreadsheet_windows.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <exception>
#include <initializer_list>
#include <utility>

#include "tests/scripted_log_source.h"

namespace secant_root::testing {
namespace {

using Microsoft::WRL::ComPtr;

// The identifiers as the spreadsheet application publishes them, read from their text form so
// that they are not copied from the client under test.
GUID GuidOf(const wchar_t* text) {
    GUID guid{};
    CLSIDFromString(text, &guid);
    return guid;
}

const CLSID kApplicationClass = GuidOf(L"{00024500-0000-0000-C000-000000000046}");
const IID kApplicationInterface = GuidOf(L"{000208D5-0000-0000-C000-000000000046}");
constexpr DISPID kLnDispatchId = 0x4016;

// Statuses in the form in which the real application reports its errors.
constexpr HRESULT kApplicationDefinedError = static_cast<HRESULT>(0x800A03EC);
constexpr HRESULT kObjectRequired = static_cast<HRESULT>(0x800A01A8);

// A reference count that only counts: the server owns its objects and keeps them after the
// count has dropped to zero. While the object has references beyond those that COM keeps for
// itself, it holds the server process.
class ReferenceCount {
  public:
    explicit ReferenceCount(StandInSpreadsheet& server) : server_(server) {}

    ULONG Add() {
        if (count_++ == comsOwn_) {
            server_.HoldProcess();
        }
        return static_cast<ULONG>(count_);
    }
    ULONG Drop() {
        if (count_ == 0) {
            ADD_FAILURE() << "a stand-in object was released more often than referenced";
            return 0;
        }
        if (--count_ == comsOwn_) {
            server_.ReleaseProcess();
        }
        return static_cast<ULONG>(count_);
    }
    long count() const { return count_; }
    // The references held now are COM's own (the class factory's registration), not a client's:
    // they no longer hold the server process.
    void TakeAsComsOwn() {
        if (count_ > comsOwn_) {
            server_.ReleaseProcess();
        }
        comsOwn_ = count_;
    }

  private:
    StandInSpreadsheet& server_;
    long count_ = 0;
    long comsOwn_ = 0;
};

// Sets the thread's error information to `description`, as raised through `iid`.
void SetErrorDescription(const wchar_t* description, REFIID iid) {
    ComPtr<ICreateErrorInfo> creator;
    ASSERT_EQ(CreateErrorInfo(&creator), S_OK);
    creator->SetGUID(iid);
    creator->SetDescription(const_cast<LPOLESTR>(description));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(creator.As(&info), S_OK);
    SetErrorInfo(0, info.Get());
}

void Raise(EXCEPINFO* exception, SCODE scode, WORD wCode, const wchar_t* description) {
    exception->scode = scode;
    exception->wCode = wCode;
    exception->bstrSource = SysAllocString(L"Microsoft Excel");
    exception->bstrDescription = SysAllocString(description);
    exception->bstrHelpFile = SysAllocString(L"xlmain11.chm");
}

void LeaveStaleErrorInfo(const StandInSpreadsheet& server, REFIID iid) {
    if (server.LeavesStaleErrorInfo()) {
        SetErrorDescription(L"Stale error information", iid);
    }
}

HRESULT STDMETHODCALLTYPE FillInDeferredException(EXCEPINFO* exception) {
    Raise(exception, kObjectRequired, 0, L"Вычисление прервано");
    return S_OK;
}

// QueryInterface of a stand-in object: it offers `dispatch` as IUnknown, IDispatch and any of
// `alsoAs`, and `errorSupport`, if it has one, as ISupportErrorInfo.
HRESULT Offer(REFIID iid, void** object, IDispatch* dispatch, ISupportErrorInfo* errorSupport,
              std::initializer_list<IID> alsoAs = {}) {
    IUnknown* offered = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch ||
        std::find(alsoAs.begin(), alsoAs.end(), iid) != alsoAs.end()) {
        offered = dispatch;
    } else if (iid == IID_ISupportErrorInfo) {
        offered = errorSupport;
    }
    *object = offered;
    if (offered == nullptr) {
        return E_NOINTERFACE;
    }
    offered->AddRef();
    return S_OK;
}

// The parts of IDispatch that the client never uses.
#define SECANT_ROOT_NO_TYPE_INFORMATION                                                           \
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {                            \
        *count = 0;                                                                               \
        return S_OK;                                                                              \
    }                                                                                             \
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; } \
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {    \
        return E_NOTIMPL;                                                                         \
    }

}  // namespace

// The object a result VARIANT of type VT_DISPATCH holds. With a value, its default property
// (DISPID_VALUE) reads as that value, which the standard type change uses.
class StandInValue final : public IDispatch {
  public:
    explicit StandInValue(StandInSpreadsheet& server) : references(server) {}

    double value = 0.0;
    bool hasValue = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return Offer(iid, object, this, nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references.Drop(); }
    SECANT_ROOT_NO_TYPE_INFORMATION
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (!hasValue || id != DISPID_VALUE || (flags & DISPATCH_PROPERTYGET) == 0 ||
            result == nullptr) {
            return DISP_E_MEMBERNOTFOUND;
        }
        result->vt = VT_R8;
        result->dblVal = value;
        return S_OK;
    }

    ReferenceCount references;
};

// The WorksheetFunction object: answers Ln with the correctly rounded logarithm, or with the
// fault the server was told to show.
class StandInWorksheetFunction final : public IDispatch, public ISupportErrorInfo {
  public:
    explicit StandInWorksheetFunction(StandInSpreadsheet& server)
        : references(server), server_(server) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return Offer(iid, object, this, this);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references.Drop(); }
    SECANT_ROOT_NO_TYPE_INFORMATION

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* arguments,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        InvokeCall call{id, iid == IID_NULL, flags};
        call.wantsResult = result != nullptr;
        call.wantsException = exception != nullptr;
        if (arguments != nullptr) {
            call.argumentCount = arguments->cArgs;
            call.namedArgumentCount = arguments->cNamedArgs;
            if (arguments->cArgs > 0) {
                call.argumentType = arguments->rgvarg[0].vt;
                call.argument = call.argumentType == VT_R8 ? arguments->rgvarg[0].dblVal : 0.0;
            }
        }
        const Fault fault = server_.FaultOfThisCall();
        server_.Record(call);
        if (id != kLnDispatchId) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (call.argumentCount != 1 || call.argumentType != VT_R8) {
            return DISP_E_TYPEMISMATCH;
        }
        if (result == nullptr || exception == nullptr) {
            return E_INVALIDARG;
        }
        try {
            return Answer(fault, call.argument, *result, *exception);
        } catch (const std::exception&) {
            // A point outside the logarithm table; TableLn has failed the test already.
            return E_UNEXPECTED;
        }
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == IID_IDispatch ? S_OK : S_FALSE;
    }

    ReferenceCount references;

  private:
    HRESULT Answer(Fault fault, double x, VARIANT& result, EXCEPINFO& exception) {
        switch (fault) {
            case Fault::InvokeRaises:
                Raise(&exception, kApplicationDefinedError, 0,
                      L"Unable to get the Ln property of the WorksheetFunction class");
                return DISP_E_EXCEPTION;
            case Fault::InvokeRaisesDeferred:
                exception.scode = kObjectRequired;
                exception.pfnDeferredFillIn = &FillInDeferredException;
                return DISP_E_EXCEPTION;
            case Fault::InvokeRaisesDeferredOutsideAnyModule:
                // Where a foreign fill-in address took the client before.
                exception.scode = kObjectRequired;
                exception.pfnDeferredFillIn =
                    reinterpret_cast<decltype(exception.pfnDeferredFillIn)>(0x11);
                return DISP_E_EXCEPTION;
            case Fault::InvokeRaisesWithWCode:
                Raise(&exception, 0, 1004, L"Application-defined or object-defined error");
                return DISP_E_EXCEPTION;
            case Fault::InvokeRaisesWithoutCode:
                Raise(&exception, 0, 0, L"No error code");
                return DISP_E_EXCEPTION;
            case Fault::InvokeFails:
                SetErrorDescription(L"Ln is not available", IID_IDispatch);
                return DISP_E_MEMBERNOTFOUND;
            case Fault::StaleErrorInfoThenInvokeFails:
                return DISP_E_MEMBERNOTFOUND;
            case Fault::ResultIsText:
                return Text(L"abc", result);
            case Fault::ResultIsNumberText:
                return Text(L"0.5", result);
            case Fault::ResultIsObject:
                return Object(false, x, result);
            case Fault::ResultIsObjectWithValue:
                return Object(true, x, result);
            default:
                LeaveStaleErrorInfo(server_, IID_IDispatch);
                result.vt = VT_R8;
                result.dblVal = TableLn(x);
                return S_OK;
        }
    }

    static HRESULT Text(const wchar_t* text, VARIANT& result) {
        result.vt = VT_BSTR;
        result.bstrVal = SysAllocString(text);
        return S_OK;
    }

    HRESULT Object(bool hasValue, double x, VARIANT& result) {
        StandInValue& value = server_.ResultObject();
        value.hasValue = hasValue;
        value.value = hasValue ? TableLn(x) : 0.0;
        value.AddRef();
        result.vt = VT_DISPATCH;
        result.pdispVal = &value;
        return S_OK;
    }

    StandInSpreadsheet& server_;
};

// _Application as its function table is laid out: the seven entries of IUnknown and IDispatch,
// entries 7 to 52 that the client never calls, and the WorksheetFunction getter at entry 53.
#define PLACEHOLDER(entry) \
    virtual HRESULT STDMETHODCALLTYPE Placeholder##entry() { return E_NOTIMPL; }

// clang-format off
struct ApplicationInterface : IDispatch {
    PLACEHOLDER(7) PLACEHOLDER(8) PLACEHOLDER(9) PLACEHOLDER(10) PLACEHOLDER(11) PLACEHOLDER(12)
    PLACEHOLDER(13) PLACEHOLDER(14) PLACEHOLDER(15) PLACEHOLDER(16) PLACEHOLDER(17) PLACEHOLDER(18)
    PLACEHOLDER(19) PLACEHOLDER(20) PLACEHOLDER(21) PLACEHOLDER(22) PLACEHOLDER(23) PLACEHOLDER(24)
    PLACEHOLDER(25) PLACEHOLDER(26) PLACEHOLDER(27) PLACEHOLDER(28) PLACEHOLDER(29) PLACEHOLDER(30)
    PLACEHOLDER(31) PLACEHOLDER(32) PLACEHOLDER(33) PLACEHOLDER(34) PLACEHOLDER(35) PLACEHOLDER(36)
    PLACEHOLDER(37) PLACEHOLDER(38) PLACEHOLDER(39) PLACEHOLDER(40) PLACEHOLDER(41) PLACEHOLDER(42)
    PLACEHOLDER(43) PLACEHOLDER(44) PLACEHOLDER(45) PLACEHOLDER(46) PLACEHOLDER(47) PLACEHOLDER(48)
    PLACEHOLDER(49) PLACEHOLDER(50) PLACEHOLDER(51) PLACEHOLDER(52)
    virtual HRESULT STDMETHODCALLTYPE get_WorksheetFunction(IDispatch** worksheetFunction) = 0;
};
// clang-format on

#undef PLACEHOLDER

class StandInApplication final : public ApplicationInterface, public ISupportErrorInfo {
  public:
    explicit StandInApplication(StandInSpreadsheet& server)
        : references(server), worksheetFunction(server), server_(server) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (server_.fault == Fault::InterfaceNotOffered) {
            return Offer(iid, object, this, this);
        }
        return Offer(iid, object, this, this, {kApplicationInterface});
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references.Drop(); }
    SECANT_ROOT_NO_TYPE_INFORMATION
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        ADD_FAILURE() << "the application was called late-bound";
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_WorksheetFunction(IDispatch** result) override {
        ++getterReads;
        *result = nullptr;
        const Fault fault = server_.FaultOfThisCall();
        if (fault == Fault::GetterFails) {
            SetErrorDescription(L"Приложение занято", kApplicationInterface);
            return kApplicationDefinedError;
        }
        if (fault == Fault::GetterFailsWithoutErrorInfo) {
            SetErrorDescription(L"Stale error information", kApplicationInterface);
            return RPC_E_CALL_REJECTED;
        }
        if (fault == Fault::StaleErrorInfoThenGetterFails) {
            return kApplicationDefinedError;
        }
        if (fault == Fault::GetterReturnsNoObject) {
            return S_OK;
        }
        LeaveStaleErrorInfo(server_, kApplicationInterface);
        worksheetFunction.AddRef();
        *result = &worksheetFunction;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        const bool vouches = server_.fault != Fault::GetterFailsWithoutErrorInfo;
        return iid == kApplicationInterface && vouches ? S_OK : S_FALSE;
    }

    ReferenceCount references;
    int getterReads = 0;
    StandInWorksheetFunction worksheetFunction;

  private:
    StandInSpreadsheet& server_;
};

#undef SECANT_ROOT_NO_TYPE_INFORMATION

class StandInFactory final : public IClassFactory {
  public:
    explicit StandInFactory(StandInSpreadsheet& server) : references(server), server_(server) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid != IID_IUnknown && iid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references.Drop(); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        return outer != nullptr ? CLASS_E_NOAGGREGATION : server_.CreateApplication(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            server_.HoldProcess();
        } else {
            server_.ReleaseProcess();
        }
        return S_OK;
    }

    ReferenceCount references;

  private:
    StandInSpreadsheet& server_;
};

StandInSpreadsheet::StandInSpreadsheet()
    : factory_(std::make_unique<StandInFactory>(*this)),
      resultObject_(std::make_unique<StandInValue>(*this)) {
    const HRESULT status = CoRegisterClassObject(
        kApplicationClass, factory_.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &registration_);
    EXPECT_EQ(status, S_OK) << "the stand-in could not register its class factory";
    factory_->references.TakeAsComsOwn();
}

// COM keeps references to the objects it has carried to a client in another process, and to the
// registered factory, until the apartment ends; disconnected, they are let go now.
StandInSpreadsheet::~StandInSpreadsheet() {
    // What the tear-down lets go of ends nothing.
    lastReferenceReleased = nullptr;
    RevokeClass();
    CoDisconnectObject(factory_.get(), 0);
    for (const auto& application : applications_) {
        CoDisconnectObject(static_cast<IDispatch*>(&application->worksheetFunction), 0);
        CoDisconnectObject(static_cast<ApplicationInterface*>(application.get()), 0);
    }
    CoDisconnectObject(resultObject_.get(), 0);
}

void StandInSpreadsheet::RevokeClass() {
    if (const DWORD registration = std::exchange(registration_, 0); registration != 0) {
        CoRevokeClassObject(registration);
    }
}

void StandInSpreadsheet::HoldProcess() { CoAddRefServerProcess(); }

// COM would suspend the registered classes here (Wine's CoReleaseServerProcess leaves that to the
// server); whoever is told revokes them.
void StandInSpreadsheet::ReleaseProcess() {
    if (CoReleaseServerProcess() == 0 && lastReferenceReleased) {
        lastReferenceReleased();
    }
}

HRESULT StandInSpreadsheet::CreateApplication(REFIID iid, void** object) {
    if (creatingApplication) {
        creatingApplication();
    }
    if (fault == Fault::CreationRefused) {
        return CO_E_SERVER_EXEC_FAILURE;
    }
    applications_.push_back(std::make_unique<StandInApplication>(*this));
    return applications_.back()->QueryInterface(iid, object);
}

std::optional<Fault> FaultNamed(std::wstring_view name) {
    static constexpr std::pair<std::wstring_view, Fault> kNames[] = {
        {L"None", Fault::None},
        {L"InterfaceNotOffered", Fault::InterfaceNotOffered},
        {L"InvokeRaisesDeferred", Fault::InvokeRaisesDeferred},
    };
    for (const auto& [known, fault] : kNames) {
        if (known == name) {
            return fault;
        }
    }
    return std::nullopt;
}

Fault StandInSpreadsheet::FaultOfThisCall() const {
    return static_cast<int>(invokeCalls_.size()) == faultyCall ? fault : Fault::None;
}

int StandInSpreadsheet::ApplicationsCreated() const {
    return static_cast<int>(applications_.size());
}

std::vector<int> StandInSpreadsheet::GetterReadsPerApplication() const {
    std::vector<int> reads;
    for (const auto& application : applications_) {
        reads.push_back(application->getterReads);
    }
    return reads;
}

long StandInSpreadsheet::ApplicationReferences() const {
    long references = 0;
    for (const auto& application : applications_) {
        references += application->references.count();
    }
    return references;
}

long StandInSpreadsheet::WorksheetFunctionReferences() const {
    long references = 0;
    for (const auto& application : applications_) {
        references += application->worksheetFunction.references.count();
    }
    return references;
}

long StandInSpreadsheet::ResultObjectReferences() const {
    return resultObject_->references.count();
}

}  // namespace secant_root::testing
