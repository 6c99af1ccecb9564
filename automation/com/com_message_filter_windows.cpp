#include "automation/com/com_message_filter_windows.h"

namespace secant_root {

RejectedCallRetry::RejectedCallRetry() noexcept {
    registered_ = SUCCEEDED(CoRegisterMessageFilter(&filter_, &previous_));
}

RejectedCallRetry::~RejectedCallRetry() {
    if (registered_) {
        // COM hands back its reference to this filter, which the ComPtr lets go.
        Microsoft::WRL::ComPtr<IMessageFilter> own;
        CoRegisterMessageFilter(previous_.Get(), &own);
    }
}

HRESULT STDMETHODCALLTYPE RejectedCallRetry::Filter::QueryInterface(REFIID iid, void** object) {
    if (iid != IID_IUnknown && iid != IID_IMessageFilter) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IMessageFilter*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE RejectedCallRetry::Filter::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE RejectedCallRetry::Filter::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&references_));
}

// The program serves no objects of its own; whatever arrives is COM's own business.
DWORD STDMETHODCALLTYPE RejectedCallRetry::Filter::HandleInComingCall(DWORD, HTASK, DWORD,
                                                                      INTERFACEINFO*) {
    return SERVERCALL_ISHANDLED;
}

// `tickCount` is the time in milliseconds since the call was first made. The answer is the time
// to wait before the next try, or -1 to give up, which makes the call fail with
// RPC_E_CALL_REJECTED.
DWORD STDMETHODCALLTYPE RejectedCallRetry::Filter::RetryRejectedCall(HTASK, DWORD tickCount,
                                                                     DWORD rejectType) {
    constexpr DWORD kGiveUp = static_cast<DWORD>(-1);
    if (rejectType != SERVERCALL_RETRYLATER ||
        tickCount >= static_cast<DWORD>(kRejectedCallRetryTime.count())) {
        return kGiveUp;
    }
    return static_cast<DWORD>(kRejectedCallRetryDelay.count());
}

// While a call waits for its reply, the window's messages are handled as COM handles them
// without a filter: the window is painted and activated; input is not dispatched, and COM may
// discard it.
DWORD STDMETHODCALLTYPE RejectedCallRetry::Filter::MessagePending(HTASK, DWORD, DWORD) {
    return PENDINGMSG_WAITDEFPROCESS;
}

}  // namespace secant_root
