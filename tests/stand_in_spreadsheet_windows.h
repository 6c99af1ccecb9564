#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace secant_root::testing {

// The stand-in server's exit status after a clean end: not 0, which Wine also reports for a process
// killed outright (as QEMU's user mode kills one whose signal handler faults).
inline constexpr DWORD kStandInCleanEndStatus = 0x5EC;

// What the stand-in spreadsheet does wrong when told to.
enum class Fault {
    None,
    // Creation: the class factory refuses, or the object does not offer _Application.
    CreationRefused,
    InterfaceNotOffered,
    // The WorksheetFunction getter fails with error information for _Application; fails with
    // stale error information that the application does not vouch for; or succeeds with no object.
    GetterFails,
    GetterFailsWithoutErrorInfo,
    GetterReturnsNoObject,
    // Every call that succeeds leaves error information behind, and then the getter or Ln fails
    // without setting any.
    StaleErrorInfoThenGetterFails,
    StaleErrorInfoThenInvokeFails,
    // Ln raises an exception: described at once, through a deferred fill-in (with its scode given
    // at once; the fill-in's address lies in no module in the second case), by its 16-bit wCode
    // only, or with no error code at all.
    InvokeRaises,
    InvokeRaisesDeferred,
    InvokeRaisesDeferredOutsideAnyModule,
    InvokeRaisesWithWCode,
    InvokeRaisesWithoutCode,
    // Ln fails with a plain status and error information for IDispatch.
    InvokeFails,
    // Ln answers with something other than a double: text or an object that is not a number,
    // text that reads as 0.5, or an object whose value is the logarithm.
    ResultIsText,
    ResultIsObject,
    ResultIsNumberText,
    ResultIsObjectWithValue,
};

// The fault of that name ("InvokeRaisesDeferred"), for a stand-in served from its own process.
std::optional<Fault> FaultNamed(std::wstring_view name);

// One IDispatch::Invoke call on the WorksheetFunction object, as it arrived.
struct InvokeCall {
    DISPID dispatchId = 0;
    bool nullInterfaceId = false;
    WORD flags = 0;
    UINT argumentCount = 0;
    UINT namedArgumentCount = 0;
    VARTYPE argumentType = VT_EMPTY;
    double argument = 0.0;
    bool wantsResult = false;
    bool wantsException = false;
};

class StandInApplication;
class StandInFactory;
class StandInValue;

// A stand-in for the spreadsheet application's automation server. While it lives, its class
// factory is registered for the application's class as a local server from the calling thread,
// so that CoCreateInstance on that thread creates the stand-in's objects. Each application object
// offers _Application with the WorksheetFunction getter at function-table entry 53, and its
// WorksheetFunction object answers Ln (dispatch identifier 0x4016) with the correctly rounded
// logarithm. The server owns every object it creates, so that reference counts can be read after
// they have dropped to zero; a Release beyond zero fails the running test. It disconnects them
// all from COM before they go, so that no reference COM still holds outlives them.
//
// As the objects of a local server do, each object holds the server process while clients
// reference it (CoAddRefServerProcess; for the class factory, the references beyond the one
// that the registration keeps), and so do the factory's locks (LockServer). A creation that
// fails takes no reference, so the client's own reference to the factory holds the process
// until the client has its answer and lets the factory go.
class StandInSpreadsheet {
  public:
    StandInSpreadsheet();
    ~StandInSpreadsheet();
    StandInSpreadsheet(const StandInSpreadsheet&) = delete;
    StandInSpreadsheet& operator=(const StandInSpreadsheet&) = delete;

    // The fault to show; a creation fault applies to every creation, any other fault only to
    // the Ln call numbered `faultyCall` (counted from 0 over all application objects).
    Fault fault = Fault::None;
    int faultyCall = 0;
    // Called, when set, each time the server process's count (CoReleaseServerProcess) drops back
    // to zero: clients hold no reference to any of the objects any more. A local server ends
    // then; not before, whatever the fault.
    std::function<void()> lastReferenceReleased;
    // Called, when set, as the class factory starts to create an application object.
    std::function<void()> creatingApplication;

    int ApplicationsCreated() const;
    // The getter reads that each application object answered, in order of creation.
    std::vector<int> GetterReadsPerApplication() const;
    const std::vector<InvokeCall>& InvokeCalls() const { return invokeCalls_; }

    // Current references, summed over all objects of a kind.
    long ApplicationReferences() const;
    long WorksheetFunctionReferences() const;
    long ResultObjectReferences() const;

    // Withdraws the class factory from COM, so that no new client reaches it; once only.
    void RevokeClass();

    // Used by the stand-in's objects.
    HRESULT CreateApplication(REFIID iid, void** object);
    // A client's first reference to an object, or a lock; its last reference, or an unlock.
    void HoldProcess();
    void ReleaseProcess();
    // The fault of the Ln call under way, if it is the faulty one; the calls are counted by the
    // Invoke calls that came before it.
    Fault FaultOfThisCall() const;
    bool LeavesStaleErrorInfo() const {
        return fault == Fault::StaleErrorInfoThenGetterFails ||
               fault == Fault::StaleErrorInfoThenInvokeFails;
    }
    void Record(const InvokeCall& call) { invokeCalls_.push_back(call); }
    StandInValue& ResultObject() { return *resultObject_; }

  private:
    std::unique_ptr<StandInFactory> factory_;
    std::unique_ptr<StandInValue> resultObject_;
    std::vector<std::unique_ptr<StandInApplication>> applications_;
    std::vector<InvokeCall> invokeCalls_;
    DWORD registration_ = 0;
};

}  // namespace secant_root::testing
