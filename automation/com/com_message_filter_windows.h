#pragma once

#include <objbase.h>
#include <wrl/client.h>

#include <chrono>

namespace secant_root {

// How long a call that the server rejects as busy (SERVERCALL_RETRYLATER: it has just started,
// or shows a dialog) is tried again, and how long COM waits between tries.
inline constexpr std::chrono::milliseconds kRejectedCallRetryTime{30'000};
inline constexpr std::chrono::milliseconds kRejectedCallRetryDelay{100};

// The message filter of the calling thread's single-threaded apartment, from construction to
// destruction: calls to a server that rejects them as busy are tried again for
// kRejectedCallRetryTime, then fail with the rejection's status (RPC_E_CALL_REJECTED). A call
// that the server rejects for good fails at once. Destruction registers again the filter that
// was registered before. In a multithreaded apartment, where servers never reject calls this
// way, there is no filter to register and the object does nothing.
class RejectedCallRetry {
  public:
    RejectedCallRetry() noexcept;
    ~RejectedCallRetry();
    RejectedCallRetry(const RejectedCallRetry&) = delete;
    RejectedCallRetry& operator=(const RejectedCallRetry&) = delete;

  private:
    class Filter final : public IMessageFilter {
      public:
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                                   INTERFACEINFO* interfaceInfo) override;
        DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount,
                                                  DWORD rejectType) override;
        DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount,
                                               DWORD pendingType) override;

      private:
        // COM's references; the filter lives as long as its registration, which outlives them.
        LONG references_ = 0;
    };

    Filter filter_;
    Microsoft::WRL::ComPtr<IMessageFilter> previous_;
    bool registered_ = false;
};

}  // namespace secant_root
