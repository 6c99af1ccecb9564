#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "automation/com/com_apartment_windows.h"
#include "automation/spreadsheet_log.h"
#include "calc/calculate_root.h"
#include "common/app_error.h"
#include "common/program_texts.h"
#include "tests/log_table.h"
#include "tests/scripted_log_source.h"
#include "tests/stand_in_spreadsheet_windows.h"

namespace secant_root::testing {
namespace {

using Microsoft::WRL::ComPtr;
using ::testing::ElementsAre;
using ::testing::Eq;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Matcher;
using ::testing::StartsWith;

// COM on the test's thread as the program has it: a single-threaded apartment.
class ComTest : public ::testing::Test {
  protected:
    ComApartment apartment_;
};

class SpreadsheetLogCom : public ComTest {
  protected:
    StandInSpreadsheet server;
};

// Passes every call on to the client and notes what the stand-in holds at the moments that
// matter: when an error leaves Ln, and around each Close.
class ObservedLog : public LogSource {
  public:
    struct HeldObjects {
        long worksheetFunctions;
        long resultObjects;
    };

    ObservedLog(LogSource& client, const StandInSpreadsheet* server)
        : client_(client), server_(server) {}

    Context Open() override {
        ++opens;
        return client_.Open();
    }
    double Ln(Context context, double x) override {
        ++lnCalls;
        try {
            return client_.Ln(context, x);
        } catch (const AppError&) {
            if (server_ != nullptr) {
                heldAtError = {server_->WorksheetFunctionReferences(),
                               server_->ResultObjectReferences()};
            }
            throw;
        }
    }
    void Close(Context context) noexcept override {
        applicationReferencesBeforeClose.push_back(ApplicationReferences());
        client_.Close(context);
        applicationReferencesAfterClose.push_back(ApplicationReferences());
    }

    int opens = 0;
    int lnCalls = 0;
    std::optional<HeldObjects> heldAtError;
    std::vector<long> applicationReferencesBeforeClose;
    std::vector<long> applicationReferencesAfterClose;

  private:
    long ApplicationReferences() const {
        return server_ != nullptr ? server_->ApplicationReferences() : 0;
    }

    LogSource& client_;
    const StandInSpreadsheet* server_;
};

// Runs CalculateRoot and returns the error it raises, failing the test if it raises none.
std::optional<AppError> ErrorOfRun(CalcWindow& window, LogSource& logs) {
    try {
        CalculateRoot(window, logs);
    } catch (const AppError& error) {
        return error;
    }
    ADD_FAILURE() << "the run raised no error";
    return std::nullopt;
}

std::int32_t NumberOf(HRESULT status) { return static_cast<std::int32_t>(status); }

// The message filter registered on this thread, which stays registered.
ComPtr<IMessageFilter> CurrentMessageFilter() {
    ComPtr<IMessageFilter> current;
    CoRegisterMessageFilter(nullptr, &current);
    CoRegisterMessageFilter(current.Get(), nullptr);
    return current;
}

TEST_F(SpreadsheetLogCom, RunForOneThousandthReadsTheGetterAndInvokesLnNineTimes) {
    SpreadsheetLog log;
    ObservedLog observed(log, &server);
    RecordingWindow window("0.001");

    CalculateRoot(window, observed);

    EXPECT_THAT(window.answers, ElementsAre("1.1189"));
    EXPECT_THAT(server.GetterReadsPerApplication(), ElementsAre(9));
    std::vector<double> points;
    for (const InvokeCall& call : server.InvokeCalls()) {
        SCOPED_TRACE("Invoke number " + std::to_string(points.size()));
        EXPECT_EQ(call.dispatchId, 0x4016);
        EXPECT_TRUE(call.nullInterfaceId);
        EXPECT_EQ(call.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
        EXPECT_EQ(call.argumentCount, 1u);
        EXPECT_EQ(call.namedArgumentCount, 0u);
        EXPECT_EQ(call.argumentType, VT_R8);
        EXPECT_TRUE(call.wantsResult);
        EXPECT_TRUE(call.wantsException);
        points.push_back(call.argument);
    }
    const auto& t = kLogTable;
    EXPECT_THAT(points, ElementsAre(t[0].x, t[1].x, t[2].x, t[1].x, t[2].x, t[3].x, t[2].x, t[3].x,
                                    t[4].x));
    // The application's last reference is the one Close lets go.
    EXPECT_THAT(observed.applicationReferencesBeforeClose, ElementsAre(1));
    EXPECT_THAT(observed.applicationReferencesAfterClose, ElementsAre(0));
    EXPECT_EQ(server.WorksheetFunctionReferences(), 0);
}

TEST_F(SpreadsheetLogCom, TwoRunsUseTwoApplicationInstances) {
    SpreadsheetLog log;
    ObservedLog observed(log, &server);
    RecordingWindow window("0.001");
    std::vector<bool> filteredWhileCreating;
    server.creatingApplication = [&] { filteredWhileCreating.push_back(!!CurrentMessageFilter()); };

    CalculateRoot(window, observed);
    CalculateRoot(window, observed);

    // No filter limits the creation's own calls: Open waits as long as the creation takes.
    EXPECT_THAT(filteredWhileCreating, ElementsAre(false, false));

    EXPECT_THAT(window.answers, ElementsAre("1.1189", "1.1189"));
    EXPECT_EQ(server.ApplicationsCreated(), 2);
    EXPECT_THAT(server.GetterReadsPerApplication(), ElementsAre(9, 9));
    EXPECT_THAT(observed.applicationReferencesBeforeClose, ElementsAre(1, 1));
    EXPECT_THAT(observed.applicationReferencesAfterClose, ElementsAre(0, 0));
}

struct LnFaultCase {
    const char* name;
    Fault fault;
    ErrorKind kind;
    std::int32_t number;
    Matcher<std::string> description;
    std::size_t invokeCalls;
};

// The fault strikes the fifth logarithm, in the middle of the second secant step.
constexpr int kFaultyCall = 4;

const LnFaultCase kLnFaultCases[] = {
    {"GetterFails", Fault::GetterFails, ErrorKind::AutomationFailure, NumberOf(0x800A03EC),
     Eq("Приложение занято"), 4},
    {"GetterFailsWithoutErrorInfo", Fault::GetterFailsWithoutErrorInfo,
     ErrorKind::AutomationFailure, NumberOf(RPC_E_CALL_REJECTED),
     Eq(std::string(texts::kAutomationErrorPrefix) + "0x80010001"), 4},
    {"GetterReturnsNoObject", Fault::GetterReturnsNoObject, ErrorKind::AutomationFailure,
     NumberOf(E_POINTER), Eq(std::string(texts::kNoWorksheetFunctionText)), 4},
    {"InvokeRaises", Fault::InvokeRaises, ErrorKind::AutomationFailure, NumberOf(0x800A03EC),
     Eq("Unable to get the Ln property of the WorksheetFunction class"), 5},
    {"InvokeRaisesDeferred", Fault::InvokeRaisesDeferred, ErrorKind::AutomationFailure,
     NumberOf(0x800A01A8), Eq(std::string(texts::kAutomationErrorPrefix) + "0x800A01A8"), 5},
    {"InvokeRaisesDeferredOutsideAnyModule", Fault::InvokeRaisesDeferredOutsideAnyModule,
     ErrorKind::AutomationFailure, NumberOf(0x800A01A8),
     Eq(std::string(texts::kAutomationErrorPrefix) + "0x800A01A8"), 5},
    // The number of a wCode is the wCode itself.
    {"InvokeRaisesWithWCode", Fault::InvokeRaisesWithWCode, ErrorKind::AutomationFailure, 1004,
     Eq("Application-defined or object-defined error"), 5},
    {"InvokeRaisesWithoutCode", Fault::InvokeRaisesWithoutCode, ErrorKind::AutomationFailure,
     NumberOf(DISP_E_EXCEPTION), Eq("No error code"), 5},
    {"InvokeFails", Fault::InvokeFails, ErrorKind::AutomationFailure,
     NumberOf(DISP_E_MEMBERNOTFOUND), Eq("Ln is not available"), 5},
    // What the calls before left behind is not the description of a failure that sets none.
    {"StaleErrorInfoThenGetterFails", Fault::StaleErrorInfoThenGetterFails,
     ErrorKind::AutomationFailure, NumberOf(0x800A03EC),
     Eq(std::string(texts::kAutomationErrorPrefix) + "0x800A03EC"), 4},
    {"StaleErrorInfoThenInvokeFails", Fault::StaleErrorInfoThenInvokeFails,
     ErrorKind::AutomationFailure, NumberOf(DISP_E_MEMBERNOTFOUND),
     Eq(std::string(texts::kAutomationErrorPrefix) + "0x80020003"), 5},
    {"ResultIsText", Fault::ResultIsText, ErrorKind::TypeMismatch, kTypeMismatchNumber,
     StartsWith(std::string(texts::kTypeMismatch) + ": "), 5},
    {"ResultIsObject", Fault::ResultIsObject, ErrorKind::TypeMismatch, kTypeMismatchNumber,
     StartsWith(std::string(texts::kTypeMismatch) + ": "), 5},
};

class SpreadsheetLogComLnFaults : public SpreadsheetLogCom,
                                  public ::testing::WithParamInterface<LnFaultCase> {};

TEST_P(SpreadsheetLogComLnFaults, RaiseTheRightErrorAndLeaveNoReferenceBehind) {
    const LnFaultCase& c = GetParam();
    server.fault = c.fault;
    server.faultyCall = kFaultyCall;
    SpreadsheetLog log;
    ObservedLog observed(log, &server);
    RecordingWindow window("0.001");

    const std::optional<AppError> error = ErrorOfRun(window, observed);

    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), c.kind);
    EXPECT_EQ(error->number(), c.number);
    EXPECT_THAT(error->description(), c.description);
    // Released and cleared before the error left Ln.
    ASSERT_TRUE(observed.heldAtError.has_value());
    EXPECT_EQ(observed.heldAtError->worksheetFunctions, 0);
    EXPECT_EQ(observed.heldAtError->resultObjects, 0);
    EXPECT_EQ(observed.lnCalls, kFaultyCall + 1);
    EXPECT_THAT(server.GetterReadsPerApplication(), ElementsAre(kFaultyCall + 1));
    EXPECT_EQ(server.InvokeCalls().size(), c.invokeCalls);
    EXPECT_THAT(observed.applicationReferencesBeforeClose, ElementsAre(1));
    EXPECT_EQ(server.ApplicationReferences(), 0);
    EXPECT_TRUE(window.answers.empty());
}

INSTANTIATE_TEST_SUITE_P(StandIn, SpreadsheetLogComLnFaults, ::testing::ValuesIn(kLnFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ConversionCase {
    const char* name;
    Fault result;
    double x;
    double ln;
};

const ConversionCase kConversionCases[] = {
    {"NumberText", Fault::ResultIsNumberText, 2.0, 0.5},
    {"ObjectWithValue", Fault::ResultIsObjectWithValue, 2.0, kLogTable[1].ln},
};

class SpreadsheetLogComConversions : public SpreadsheetLogCom,
                                     public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(SpreadsheetLogComConversions, ResultThatConvertsGivesItsDoubleAndIsCleared) {
    const ConversionCase& c = GetParam();
    server.fault = c.result;
    SpreadsheetLog log;
    const LogSource::Context context = log.Open();

    EXPECT_EQ(log.Ln(context, c.x), c.ln);

    EXPECT_EQ(server.ResultObjectReferences(), 0);
    EXPECT_EQ(server.WorksheetFunctionReferences(), 0);
    log.Close(context);
    EXPECT_EQ(server.ApplicationReferences(), 0);
}

INSTANTIATE_TEST_SUITE_P(StandIn, SpreadsheetLogComConversions,
                         ::testing::ValuesIn(kConversionCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct CreationFaultCase {
    const char* name;
    Fault fault;
    const char* status;
};

class SpreadsheetLogComCreationFaults : public SpreadsheetLogCom,
                                        public ::testing::WithParamInterface<CreationFaultCase> {};

TEST_P(SpreadsheetLogComCreationFaults, OpenRaisesCannotCreateObjectBeforeAnyOtherCall) {
    server.fault = GetParam().fault;
    SpreadsheetLog log;
    ObservedLog observed(log, &server);
    RecordingWindow window("0.001");

    const std::optional<AppError> error = ErrorOfRun(window, observed);

    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), ErrorKind::CannotCreateObject);
    EXPECT_EQ(error->number(), kCannotCreateObjectNumber);
    EXPECT_THAT(error->description(), HasSubstr(GetParam().status));
    // The application is there but would not start.
    EXPECT_EQ(error->advice(), texts::kStartExcelAdvice);
    EXPECT_EQ(observed.opens, 1);
    EXPECT_EQ(observed.lnCalls, 0);
    EXPECT_THAT(observed.applicationReferencesBeforeClose, IsEmpty());
    EXPECT_EQ(window.reads, 0);
    EXPECT_EQ(server.ApplicationReferences(), 0);
    EXPECT_FALSE(CurrentMessageFilter()) << "the failed Open left its message filter registered";
}

INSTANTIATE_TEST_SUITE_P(
    StandIn, SpreadsheetLogComCreationFaults,
    ::testing::Values(CreationFaultCase{"Refused", Fault::CreationRefused, "0x80080005"},
                      CreationFaultCase{"InterfaceNotOffered", Fault::InterfaceNotOffered,
                                        "0x80004002"}),
    [](const auto& info) { return std::string(info.param.name); });

// The stand-in's objects hold the server process while the client holds any of them, the class
// factory included: a local server is told once per run, when nothing is held any more, also
// when the creation fails without taking a reference.
TEST_F(SpreadsheetLogCom, EachRunLetsTheServerProcessGoOnceWhenTheClientHoldsNothing) {
    std::vector<long> heldWhenLetGo;
    server.lastReferenceReleased = [&] {
        heldWhenLetGo.push_back(server.ApplicationReferences() +
                                server.WorksheetFunctionReferences() +
                                server.ResultObjectReferences());
    };
    SpreadsheetLog log;
    RecordingWindow window("0.001");
    for (const Fault fault : {Fault::None, Fault::InterfaceNotOffered, Fault::GetterFails}) {
        server.fault = fault;
        server.faultyCall = static_cast<int>(server.InvokeCalls().size());
        try {
            CalculateRoot(window, log);
        } catch (const AppError&) {
        }
    }
    EXPECT_THAT(window.answers, ElementsAre("1.1189"));
    EXPECT_THAT(heldWhenLetGo, ElementsAre(0, 0, 0));
}

TEST_F(ComTest, WithNothingRegisteredOpenRaisesCannotCreateObjectBeforeAnyOtherCall) {
    SpreadsheetLog log;
    ObservedLog observed(log, nullptr);
    RecordingWindow window("0.001");

    const std::optional<AppError> error = ErrorOfRun(window, observed);

    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), ErrorKind::CannotCreateObject);
    EXPECT_EQ(error->number(), kCannotCreateObjectNumber);
    // REGDB_E_CLASSNOTREG
    EXPECT_THAT(error->description(), HasSubstr("0x80040154"));
    EXPECT_EQ(error->advice(), texts::kInstallExcelAdvice);
    EXPECT_EQ(observed.opens, 1);
    EXPECT_EQ(observed.lnCalls, 0);
    EXPECT_THAT(observed.applicationReferencesBeforeClose, IsEmpty());
    EXPECT_EQ(window.reads, 0);
}

TEST_F(SpreadsheetLogCom, EachContextHoldsItsOwnApplicationUntilItsClose) {
    std::vector<bool> filteredAtLastRelease;
    server.lastReferenceReleased = [&] {
        filteredAtLastRelease.push_back(!!CurrentMessageFilter());
    };
    {
        SpreadsheetLog log;
        const LogSource::Context first = log.Open();
        const LogSource::Context second = log.Open();
        EXPECT_NE(first, second);

        EXPECT_EQ(log.Ln(first, 2.0), kLogTable[1].ln);
        EXPECT_EQ(log.Ln(first, 1.0), 0.0);
        EXPECT_EQ(log.Ln(second, 2.0), kLogTable[1].ln);
        EXPECT_THAT(server.GetterReadsPerApplication(), ElementsAre(2, 1));
        EXPECT_EQ(server.ApplicationReferences(), 2);

        log.Close(first);
        EXPECT_EQ(server.ApplicationReferences(), 1);
        // A context is let go once; closing it again changes nothing.
        log.Close(first);
        EXPECT_EQ(server.ApplicationReferences(), 1);
        try {
            log.Ln(first, 2.0);
            ADD_FAILURE() << "Ln on a closed context did not raise";
        } catch (const AppError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::AutomationFailure);
            EXPECT_EQ(error.number(), NumberOf(E_HANDLE));
        }
        EXPECT_THAT(server.GetterReadsPerApplication(), ElementsAre(2, 1));
    }
    // The client lets go of a context left open when it goes itself, and of its filter after it.
    EXPECT_EQ(server.ApplicationReferences(), 0);
    EXPECT_THAT(filteredAtLastRelease, ElementsAre(true));
}

// A busy application rejects calls (SERVERCALL_RETRYLATER) until it is ready: while a context is
// open, the thread's message filter has COM try them again every 100 ms for 30 s, and gives up at
// once on a call rejected for good. The thread's previous filter comes back after the last Close.
TEST_F(SpreadsheetLogCom, WhileAContextIsOpenRejectedCallsAreRetriedForThirtySeconds) {
    constexpr DWORD kGiveUp = static_cast<DWORD>(-1);
    SpreadsheetLog first;
    SpreadsheetLog second;
    const LogSource::Context outer = first.Open();
    IMessageFilter* const outerFilter = CurrentMessageFilter().Get();
    ASSERT_NE(outerFilter, nullptr);

    const LogSource::Context inner = second.Open();
    {
        const ComPtr<IMessageFilter> filter = CurrentMessageFilter();
        ASSERT_TRUE(filter);
        EXPECT_NE(filter.Get(), outerFilter);
        EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), 100u);
        EXPECT_EQ(filter->RetryRejectedCall(nullptr, 29'999, SERVERCALL_RETRYLATER), 100u);
        EXPECT_EQ(filter->RetryRejectedCall(nullptr, 30'000, SERVERCALL_RETRYLATER), kGiveUp);
        EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_REJECTED), kGiveUp);
    }
    EXPECT_EQ(second.Ln(inner, 2.0), kLogTable[1].ln);
    second.Close(inner);
    EXPECT_EQ(CurrentMessageFilter().Get(), outerFilter);

    first.Close(outer);
    EXPECT_FALSE(CurrentMessageFilter());
    EXPECT_EQ(server.ApplicationReferences(), 0);
}

}  // namespace
}  // namespace secant_root::testing
