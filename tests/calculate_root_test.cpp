#include "calc/calculate_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "common/app_error.h"
#include "common/program_texts.h"
#include "tests/log_table.h"
#include "tests/scripted_log_source.h"

namespace secant_root::testing {
namespace {

using ::testing::ElementsAreArray;
using Kind = ScriptedLogSource::Call::Kind;

// The points the iteration visits, in order: the interval's ends, then the secant point of each
// step. The eighth step lands on the seventh step's point again.
std::vector<double> VisitedPoints() {
    std::vector<double> points;
    for (const LogEntry& entry : kLogTable) {
        points.push_back(entry.x);
    }
    points.push_back(points.back());
    return points;
}

// Each step takes logarithms at x0, x1 and its new point x2, reusing nothing.
std::vector<double> LnPointsOfSteps(int steps, int extraCalls = 0) {
    const std::vector<double> visited = VisitedPoints();
    std::vector<double> points;
    for (int step = 1; step <= steps; ++step) {
        points.insert(points.end(), {visited[step - 1], visited[step], visited[step + 1]});
    }
    for (int call = 0; call < extraCalls; ++call) {
        points.push_back(visited[steps + call]);
    }
    return points;
}

struct SuccessCase {
    const char* precision;
    int steps;
    const char* answer;
};

class CalculateRootAnswers : public ::testing::TestWithParam<SuccessCase> {};

TEST_P(CalculateRootAnswers, ShowsTheRoundedRootAfterTheExpectedSteps) {
    const SuccessCase& c = GetParam();
    RecordingWindow window(c.precision);
    ScriptedLogSource logs;

    CalculateRoot(window, logs);

    EXPECT_THAT(window.answers, ElementsAreArray({c.answer}));
    EXPECT_EQ(window.reads, 1);
    EXPECT_THAT(logs.LnPoints(), ElementsAreArray(LnPointsOfSteps(c.steps)));
    ASSERT_GE(logs.calls().size(), 2u);
    EXPECT_EQ(logs.calls().front().kind, Kind::Open);
    EXPECT_EQ(logs.calls().back().kind, Kind::Close);
    EXPECT_EQ(logs.CountOf(Kind::Close), 1);
    for (const auto& call : logs.calls()) {
        EXPECT_EQ(call.context, logs.calls().front().context);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Precisions, CalculateRootAnswers,
    ::testing::Values(SuccessCase{"0.001", 3, "1.1189"}, SuccessCase{"0.0001", 4, "1.1183"},
                      SuccessCase{"1e-10", 6, "1.1183"}, SuccessCase{"0.0389406", 1, "1.1686"},
                      SuccessCase{"0.05", 1, "1.1686"}, SuccessCase{"1", 1, "1.1686"},
                      SuccessCase{"0.0389405", 2, "1.0973"}, SuccessCase{"1e-16", 7, "1.1183"},
                      SuccessCase{" 0.001 ", 3, "1.1189"}, SuccessCase{".001", 3, "1.1189"}));

class CalculateRootWithoutBand : public ::testing::TestWithParam<const char*> {};

// Below the smallest residual the iteration reaches, the iterates coincide after eight steps
// and the ninth step divides by their zero difference after its first two logarithms.
TEST_P(CalculateRootWithoutBand, EndsInDivisionByZeroAfter26Logarithms) {
    RecordingWindow window(GetParam());
    ScriptedLogSource logs;

    try {
        CalculateRoot(window, logs);
        FAIL() << "expected a division by zero";
    } catch (const AppError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::DivisionByZero);
        EXPECT_EQ(error.number(), kDivisionByZeroNumber);
        EXPECT_EQ(error.advice(), texts::kPrecisionAdvice);
    }
    EXPECT_THAT(logs.LnPoints(), ElementsAreArray(LnPointsOfSteps(8, 2)));
    EXPECT_EQ(logs.CountOf(Kind::Close), 1);
    EXPECT_EQ(logs.calls().back().kind, Kind::Close);
    EXPECT_TRUE(window.answers.empty());
}

INSTANTIATE_TEST_SUITE_P(Precisions, CalculateRootWithoutBand,
                         ::testing::Values("0", "-1", "1e-17", "", "abc", "0,001", "-0"));

TEST(Residual, RoundsTheProductAndTheDifferenceSeparately) {
    ScriptedLogSource logs;
    const LogSource::Context context = logs.Open();
    // The point of the third step; a fused multiply-add would give -0.00042107678414917907.
    EXPECT_EQ(Residual(logs, context, 0x1.1e6d578f70eacp+0), -0.0004210767841491825);
    // The first secant point: its residual decides between one and two steps.
    const double first = Residual(logs, context, 0x1.2b28dc1791a4fp+0);
    EXPECT_LT(first, -0.0389405);
    EXPECT_GT(first, -0.0389406);
}

TEST(CalculateRoot, TwoRunsOpenTwoContextsOneAfterTheOther) {
    ScriptedLogSource logs;
    RecordingWindow window("0.001");

    CalculateRoot(window, logs);
    CalculateRoot(window, logs);

    EXPECT_THAT(window.answers, ElementsAreArray({"1.1189", "1.1189"}));
    std::vector<Kind> kinds;
    for (const auto& call : logs.calls()) {
        if (call.kind != Kind::Ln) {
            kinds.push_back(call.kind);
        }
    }
    EXPECT_THAT(kinds, ElementsAreArray({Kind::Open, Kind::Close, Kind::Open, Kind::Close}));
    EXPECT_NE(logs.calls().front().context, logs.calls().back().context);
}

TEST(CalculateRoot, OpenFailureCallsNothingElse) {
    ScriptedLogSource logs;
    logs.openError = CannotCreateObjectError("not installed");
    RecordingWindow window("0.001");

    try {
        CalculateRoot(window, logs);
        FAIL() << "expected the error of Open";
    } catch (const AppError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::CannotCreateObject);
        EXPECT_EQ(error.description(), logs.openError->description());
    }
    EXPECT_TRUE(logs.calls().empty());
    EXPECT_EQ(window.reads, 0);
    EXPECT_TRUE(window.answers.empty());
}

// A window whose controls fail.
class FailingWindow : public RecordingWindow {
  public:
    FailingWindow(bool failRead, bool failSet)
        : RecordingWindow("0.001"), failRead_(failRead), failSet_(failSet) {}
    std::string ReadPrecisionText() override {
        if (failRead_) throw AutomationFailureError(-2147467259, "text box failed");
        return RecordingWindow::ReadPrecisionText();
    }
    void SetAnswerText(const std::string& text) override {
        if (failSet_) throw AutomationFailureError(-2147467259, "label failed");
        RecordingWindow::SetAnswerText(text);
    }

  private:
    bool failRead_;
    bool failSet_;
};

struct FailureCase {
    const char* name;
    const char* precision;
    std::function<double(int n, double x)> ln;
    ErrorKind kind;
    int lnCalls;  // how many logarithms were taken before the error
    // What the report tells the user to do: which precision to type for a division by zero, a
    // smaller number for one too large to read, nothing for a spreadsheet's bad result.
    std::string_view advice = {};
};

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double FailOnCall(int failing, int n, double x) {
    if (n == failing) throw AutomationFailureError(0x800A03EC, "Ln failed");
    return TableLn(x);
}

const FailureCase kFailureCases[] = {
    {"FirstLnRaises", "0.001", [](int n, double x) { return FailOnCall(0, n, x); },
     ErrorKind::AutomationFailure, 1},
    {"FifthLnRaises", "0.001", [](int n, double x) { return FailOnCall(4, n, x); },
     ErrorKind::AutomationFailure, 5},
    {"LastLnRaises", "0.001", [](int n, double x) { return FailOnCall(8, n, x); },
     ErrorKind::AutomationFailure, 9},
    // Equal residuals at both ends make d zero, and f1 / d is 0 / 0.
    {"ZeroResidualsEverywhere", "0.001", [](int, double x) { return 0.1 * x; },
     ErrorKind::DivisionByZero, 2, texts::kPrecisionAdvice},
    {"EqualNonZeroResiduals", "0.001", [](int, double x) { return 0.1 * x - 0.5; },
     ErrorKind::DivisionByZero, 2, texts::kPrecisionAdvice},
    {"ResidualDifferenceOverflows", "0.001", [](int, double x) { return x == 1 ? kMax : -kMax; },
     ErrorKind::Overflow, 2},
    {"InfiniteLogarithm", "0.001", [](int, double) { return -kInf; }, ErrorKind::Overflow, 1},
    {"NaNLogarithm", "0.001", [](int, double) { return kNaN; }, ErrorKind::Overflow, 1},
    // A NaN at the secant point would never enter the band: it must end the run, not loop.
    {"NaNAtSecantPoint", "0.001", [](int n, double x) { return n == 2 ? kNaN : TableLn(x); },
     ErrorKind::Overflow, 3},
    {"PrecisionBeyondDoubleRange", "1e400", [](int, double x) { return TableLn(x); },
     ErrorKind::Overflow, 0, texts::kNumberTooLargeAdvice},
};

class CalculateRootFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CalculateRootFailures, RaiseAfterClosingTheContextAndSetNoAnswer) {
    const FailureCase& c = GetParam();
    RecordingWindow window(c.precision);
    ScriptedLogSource logs;
    logs.ln = c.ln;

    try {
        CalculateRoot(window, logs);
        FAIL() << "expected an error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.kind(), c.kind) << error.description();
        EXPECT_EQ(error.advice(), c.advice);
    }
    EXPECT_EQ(logs.CountOf(Kind::Ln), c.lnCalls);
    EXPECT_EQ(logs.CountOf(Kind::Close), 1);
    EXPECT_EQ(logs.calls().back().kind, Kind::Close);
    EXPECT_EQ(logs.calls().back().context, logs.calls().front().context);
    EXPECT_TRUE(window.answers.empty());
}

INSTANTIATE_TEST_SUITE_P(Scripted, CalculateRootFailures, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CalculateRoot, ErrorLeavesUnchanged) {
    ScriptedLogSource logs;
    logs.ln = [](int, double) -> double { throw AutomationFailureError(-5, "exact text"); };
    RecordingWindow window("0.001");
    try {
        CalculateRoot(window, logs);
        FAIL() << "expected an error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::AutomationFailure);
        EXPECT_EQ(error.number(), -5);
        EXPECT_EQ(error.description(), "exact text");
    }
}

TEST(CalculateRoot, WindowFailuresStillCloseTheContext) {
    for (const bool failRead : {true, false}) {
        SCOPED_TRACE(failRead ? "reading the precision fails" : "setting the answer fails");
        FailingWindow window(failRead, !failRead);
        ScriptedLogSource logs;
        EXPECT_THROW(CalculateRoot(window, logs), AppError);
        EXPECT_EQ(logs.CountOf(Kind::Open), 1);
        EXPECT_EQ(logs.CountOf(Kind::Close), 1);
        EXPECT_EQ(logs.CountOf(Kind::Ln), failRead ? 0 : 9);
        EXPECT_TRUE(window.answers.empty());
    }
}

}  // namespace
}  // namespace secant_root::testing
