// The stand-in spreadsheet application as a local automation server: the process that COM starts
// for the application's class when the stand-in is registered, as it would start Excel, or that a
// test starts itself. It serves the stand-in's objects from its single-threaded apartment until
// clients hold no reference to any of them, the class factory included, and ends at the latest
// after a minute, so that it never outlives a test that failed.
//
// The last call it serves is then the client's release of its last reference, which the client
// makes only once it has the answers to all its other calls. A creation that fails (the
// InterfaceNotOffered fault: Wine asks CreateInstance for _Application itself) takes no reference
// and ends nothing: the client's reference to the factory holds the server until the client has
// that answer and lets the factory go. (COM sends each answer from an RPC thread of its own after
// the apartment has served the call; the answer to the last release, which a proxy's Release
// cannot report, is the only one the end of the process may still cut short.)
//
//   stand_in_spreadsheet_server.exe [BEHAVIOUR] [--ready=HANDLE] [-Embedding]
//
// BEHAVIOUR is a fault of the stand-in (tests/stand_in_spreadsheet_windows.h), shown on the first
// Ln call, or one of the ways in which a busy application turns down the client's calls:
// RejectsCalls (rejected for good) and BusyForFirstCalls (the first three to be retried later).
// HANDLE, an event handle inherited from the test, is signalled once the class is registered.
// Exit status kStandInCleanEndStatus when the server has served and shut down normally, 2 for
// arguments it does not know.
#include <windows.h>

#include <cstdlib>
#include <string_view>

#include "automation/com/com_apartment_windows.h"
#include "tests/stand_in_spreadsheet_windows.h"

namespace {

using secant_root::testing::Fault;
using secant_root::testing::StandInSpreadsheet;

constexpr UINT kPollMilliseconds = 20;
constexpr ULONGLONG kLongestLifeMilliseconds = 60'000;
constexpr int kBadArguments = 2;

enum class CallHandling { Handle, Reject, BusyForFirstCalls };
constexpr int kBusyCalls = 3;

// The client's calls, as opposed to COM's own (activation, reference counting): those on
// _Application and on IDispatch.
bool IsClientCall(const INTERFACEINFO* call) {
    static const IID kApplicationInterface = [] {
        IID iid{};
        IIDFromString(L"{000208D5-0000-0000-C000-000000000046}", &iid);
        return iid;
    }();
    return call != nullptr && (call->iid == kApplicationInterface || call->iid == IID_IDispatch);
}

// The server's message filter: turns down the client's calls as told.
class CallGate final : public IMessageFilter {
  public:
    explicit CallGate(CallHandling handling) : handling_(handling) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IMessageFilter ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    // Lives as long as main, which outlasts its registration.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, INTERFACEINFO* call) override {
        if (!IsClientCall(call)) {
            return SERVERCALL_ISHANDLED;
        }
        if (handling_ == CallHandling::Reject) {
            return SERVERCALL_REJECTED;
        }
        if (handling_ == CallHandling::BusyForFirstCalls && turnedDown_ < kBusyCalls) {
            ++turnedDown_;
            return SERVERCALL_RETRYLATER;
        }
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override {
        return static_cast<DWORD>(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return PENDINGMSG_WAITDEFPROCESS;
    }

  private:
    CallHandling handling_;
    int turnedDown_ = 0;
};

struct Arguments {
    Fault fault = Fault::None;
    CallHandling handling = CallHandling::Handle;
    HANDLE ready = nullptr;
};

bool Parse(int count, wchar_t** values, Arguments& arguments) {
    constexpr std::wstring_view kReady = L"--ready=";
    for (int i = 1; i < count; ++i) {
        const std::wstring_view argument = values[i];
        if (argument == L"-Embedding" || argument == L"/Embedding") {
            continue;
        }
        if (argument.substr(0, kReady.size()) == kReady) {
            arguments.ready = reinterpret_cast<HANDLE>(
                static_cast<UINT_PTR>(std::wcstoul(values[i] + kReady.size(), nullptr, 10)));
        } else if (argument == L"RejectsCalls") {
            arguments.handling = CallHandling::Reject;
        } else if (argument == L"BusyForFirstCalls") {
            arguments.handling = CallHandling::BusyForFirstCalls;
        } else if (const auto fault = secant_root::testing::FaultNamed(argument)) {
            arguments.fault = *fault;
        } else {
            return false;
        }
    }
    return true;
}

// Serves until the last reference is released (WM_QUIT) or the longest life has passed.
void Serve() {
    const ULONGLONG end = GetTickCount64() + kLongestLifeMilliseconds;
    const UINT_PTR timer = SetTimer(nullptr, 0, kPollMilliseconds, nullptr);
    // COM delivers the client's calls to this thread as window messages.
    MSG message;
    while (GetTickCount64() < end && GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, timer);
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** values = CommandLineToArgvW(GetCommandLineW(), &count);
    Arguments arguments;
    const bool known = values != nullptr && Parse(count, values, arguments);
    LocalFree(values);
    if (!known) {
        return kBadArguments;
    }

    // The apartment outlives everything that COM may hold a reference to.
    const secant_root::ComApartment com;
    CallGate gate(arguments.handling);
    CoRegisterMessageFilter(&gate, nullptr);
    {
        StandInSpreadsheet server;
        server.fault = arguments.fault;
        // No client left: none is let in any more (the class is revoked at once, so that COM
        // starts a new server for the next one), and the loop ends.
        server.lastReferenceReleased = [&server] {
            server.RevokeClass();
            PostQuitMessage(0);
        };
        if (arguments.ready != nullptr) {
            SetEvent(arguments.ready);
            CloseHandle(arguments.ready);
        }
        Serve();
    }
    CoRegisterMessageFilter(nullptr, nullptr);
    return static_cast<int>(secant_root::testing::kStandInCleanEndStatus);
}
