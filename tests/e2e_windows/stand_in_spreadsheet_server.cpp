// The stand-in spreadsheet application as a local automation server: the process that COM starts
// for the application's class when the stand-in is registered, as it would start Excel. It serves
// the stand-in's objects from its single-threaded apartment until the client has let go of the
// application object it created, and ends at the latest after a minute, so that it never outlives
// a test that failed.
#include <windows.h>

#include "automation/com/com_apartment_windows.h"
#include "tests/stand_in_spreadsheet_windows.h"

namespace {

constexpr UINT kPollMilliseconds = 20;
constexpr ULONGLONG kLongestLifeMilliseconds = 60'000;

bool Finished(const secant_root::testing::StandInSpreadsheet& server) {
    return server.ApplicationsCreated() > 0 && server.ApplicationReferences() == 0;
}

}  // namespace

int main() {
    const secant_root::ComApartment com;
    secant_root::testing::StandInSpreadsheet server;
    const ULONGLONG end = GetTickCount64() + kLongestLifeMilliseconds;
    const UINT_PTR timer = SetTimer(nullptr, 0, kPollMilliseconds, nullptr);

    // COM delivers the client's calls to this thread as window messages.
    MSG message;
    while (!Finished(server) && GetTickCount64() < end &&
           GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, timer);
    return 0;
}
