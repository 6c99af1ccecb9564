// CalcLog, the Linux client, against the real LibreOffice Calc. Every calculation starts an
// instance, so the tests are few and each checks much.

#include "automation/uno/calc_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <osl/file.hxx>

#include "automation/uno/office_connection.h"
#include "automation/uno/office_installation.h"
#include "automation/uno/office_pipe_files.h"
#include "automation/uno/office_process.h"
#include "automation/uno/uno_failure_numbers.h"
#include "automation/uno/uno_runtime.h"
#include "common/app_error.h"
#include "common/program_texts.h"
#include "tests/no_leftovers_test.h"
#include "tests/process_census.h"
#include "tests/raised_error.h"
#include "tests/scripted_log_source.h"

extern char** environ;

namespace secant_root::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;

std::string FormatShortest(double x) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, x).ptr);
}

// The soffice.bin processes that this program started itself.
std::vector<ProcessStatus> OfficeChildren() {
    std::vector<ProcessStatus> offices;
    for (const ProcessStatus& child : ChildrenOfThisProcess()) {
        if (child.name == "soffice.bin") {
            offices.push_back(child);
        }
    }
    return offices;
}

// Passes every call on to a CalcLog and records, at each logarithm, the office instances
// that are running and the sockets they hold; `beforeLn` may interfere with the n-th call.
class ObservedLog : public LogSource {
  public:
    struct LnCall {
        double x;
        std::optional<double> ln;
        std::vector<ProcessStatus> offices;
    };

    std::function<void(int n, const std::vector<ProcessStatus>& offices)> beforeLn;
    std::vector<LnCall> lnCalls;
    std::set<std::string> socketPaths;
    int opens = 0;
    int closes = 0;

    Context Open() override {
        ++opens;
        return logs_.Open();
    }

    double Ln(Context context, double x) override {
        lnCalls.push_back({x, std::nullopt, OfficeChildren()});
        for (const ProcessStatus& office : lnCalls.back().offices) {
            for (std::string& path : SocketPathsOf(office.pid)) {
                socketPaths.insert(std::move(path));
            }
        }
        if (beforeLn) {
            beforeLn(static_cast<int>(lnCalls.size()) - 1, lnCalls.back().offices);
        }
        lnCalls.back().ln = logs_.Ln(context, x);
        return *lnCalls.back().ln;
    }

    void Close(Context context) noexcept override {
        ++closes;
        logs_.Close(context);
    }

    // The one office that served every logarithm so far; fails the test otherwise.
    pid_t OnlyOffice() const {
        std::optional<pid_t> office;
        for (const LnCall& call : lnCalls) {
            EXPECT_THAT(call.offices, SizeIs(1)) << "at LN(" << call.x << ")";
            if (call.offices.size() == 1) {
                EXPECT_EQ(call.offices[0].pid, office.value_or(call.offices[0].pid));
                office = call.offices[0].pid;
            }
        }
        return office.value_or(0);
    }

  private:
    CalcLog logs_;
};

class SpreadsheetLogUno : public NoLeftoversTest {
  protected:
    void TearDown() override {
        for (const std::string& path : logs.socketPaths) {
            if (path.find("OSL_PIPE_") != std::string::npos) {
                EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << "left socket " << path;
            }
        }
        NoLeftoversTest::TearDown();
    }

    ObservedLog logs;
};

TEST_F(SpreadsheetLogUno, AnswersFromNineCorrectlyRoundedLogarithmsOfOneInstance) {
    RecordingWindow window("0.001");

    CalculateRoot(window, logs);

    EXPECT_THAT(window.answers, ElementsAre("1.1189"));
    ASSERT_THAT(logs.lnCalls, SizeIs(9));
    for (const ObservedLog::LnCall& call : logs.lnCalls) {
        EXPECT_EQ(*call.ln, TableLn(call.x)) << "LN(" << call.x << ")";
    }
    EXPECT_NE(logs.OnlyOffice(), 0);
    EXPECT_EQ(logs.opens, 1);
    EXPECT_EQ(logs.closes, 1);
    EXPECT_THAT(logs.socketPaths, Contains(HasSubstr("SingleOfficeIPC_")))
        << "the instance's pipes were not seen, so the check for leftovers means nothing";
}

// The longest run, 26 logarithms ending in a division by zero, many times over: an office that
// destroyed each released FunctionAccess beside the next call aborted in about one in twenty.
TEST_F(SpreadsheetLogUno, TheLongestRunsEndInTheirOwnErrorNeverInAnAbortedInstance) {
    constexpr int kRuns = 50;
    for (int run = 0; run < kRuns; ++run) {
        RecordingWindow window("0");
        CalcLog longest;
        const AppError error = RaisedError([&] { CalculateRoot(window, longest); });
        ASSERT_EQ(error.kind(), ErrorKind::DivisionByZero) << "run " << run << ": " << error.what();
    }
}

TEST_F(SpreadsheetLogUno, TwoRunsUseTwoInstancesOneAfterTheOther) {
    RecordingWindow window("0.05");

    CalculateRoot(window, logs);
    const pid_t first = logs.OnlyOffice();
    logs.lnCalls.clear();
    CalculateRoot(window, logs);
    const pid_t second = logs.OnlyOffice();

    EXPECT_THAT(window.answers, ElementsAre("1.1686", "1.1686"));
    EXPECT_NE(first, second);
    EXPECT_EQ(logs.closes, 2);
}

TEST_F(SpreadsheetLogUno, AnInstanceKilledMidRunEndsTheRunWithAnAutomationFailure) {
    RecordingWindow window("0.001");
    logs.beforeLn = [](int n, const std::vector<ProcessStatus>& offices) {
        if (n == 4) {
            ASSERT_THAT(offices, SizeIs(1));
            ASSERT_EQ(kill(offices[0].pid, SIGKILL), 0);
        }
    };

    const AppError error = RaisedError([&] { CalculateRoot(window, logs); });

    EXPECT_EQ(error.kind(), ErrorKind::AutomationFailure);
    EXPECT_EQ(error.number(), kInstanceEndedNumber);
    EXPECT_THAT(error.description(), HasSubstr("LN(" + FormatShortest(logs.lnCalls[4].x) + ")"));
    EXPECT_THAT(error.description(), HasSubstr("(com.sun.star.lang.DisposedException: "));
    EXPECT_THAT(error.description(), Not(HasSubstr(".cxx:"))) << "a source location";
    EXPECT_THAT(error.description(),
                HasSubstr(texts::FilledText(texts::kProcessSignalledText, {"9", strsignal(9)})))
        << "how the instance ended";

    EXPECT_THAT(logs.lnCalls, SizeIs(5));
    EXPECT_EQ(logs.closes, 1);
    EXPECT_THAT(window.answers, IsEmpty());
    // TearDown checks that no process, zombie, socket file or profile of it remains.
}

TEST_F(SpreadsheetLogUno, FailuresOfLnHaveFixedNumbersAndLeaveTheInstanceUsable) {
    const LogSource::Context context = logs.Open();

    for (const double x : {-1.0, 0.0}) {
        const AppError error = RaisedError([&] { logs.Ln(context, x); });
        EXPECT_EQ(error.kind(), ErrorKind::AutomationFailure);
        EXPECT_EQ(error.number(), kInvalidArgumentNumber);
        EXPECT_EQ(error.description(),
                  texts::FilledText(texts::kLnFailedText,
                                    {FormatShortest(x), texts::kArgumentRejectedCause}) +
                      " (com.sun.star.lang.IllegalArgumentException)");
    }
    EXPECT_EQ(logs.Ln(context, 2.0), TableLn(2.0));
    logs.Close(context);

    EXPECT_EQ(RaisedError([&] { logs.Ln(context, 2.0); }).number(), kUnknownContextNumber);
    logs.Close(context);
}

// A LibreOffice that the user runs with the default profile, started the usual way through the
// soffice wrapper, with a home directory of its own.
class UsersOffice {
  public:
    UsersOffice()
        : home_(fs::temp_directory_path() / "users-home"),
          process_(OfficeInstallation::Default().programDirectory() / "soffice",
                   {"--headless", "--norestore", "--accept=pipe,name=" + PipeName() + ";urp;"},
                   Environment(home_)),
          connection_(OfficeConnection::Await(
              PipeName(), SingleInstancePipe(home_), {}, process_, errorOutput_,
              std::chrono::steady_clock::now() + std::chrono::seconds(60))) {}

    ~UsersOffice() {
        try {
            if (connection_) {
                connection_->Terminate();
            }
        } catch (...) {
        }
        process_.WaitForExit(std::chrono::seconds(10));
        process_.Kill();
        connection_.reset();
        fs::remove_all(home_);
    }

    bool IsRunning() { return !process_.HasExited(); }

    std::optional<double> Ln(double x) const {
        double ln;
        if (!connection_ || !(connection_->CallLn(x) >>= ln)) {
            return std::nullopt;
        }
        return ln;
    }

  private:
    static std::string PipeName() { return "secant_test_user_" + std::to_string(getpid()); }

    // The pipe of the user's default profile, which that office takes.
    static std::string SingleInstancePipe(const fs::path& home) {
        rtl::OUString url;
        osl::FileBase::getFileURLFromSystemPath(FromUtf8((home / ".config/libreoffice/4").string()),
                                                url);
        return SingleInstancePipeName(url);
    }

    static std::vector<std::string> Environment(const fs::path& home) {
        fs::create_directories(home / "tmp");
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            environment.emplace_back(*entry);
        }
        environment.push_back("HOME=" + home.string());
        environment.push_back("TMPDIR=" + (home / "tmp").string());
        return environment;
    }

    fs::path home_;
    OfficeProcess process_;
    OfficeErrorOutput errorOutput_;
    std::optional<OfficeConnection> connection_;
};

TEST_F(SpreadsheetLogUno, LeavesTheUsersOwnLibreOfficeAlone) {
    UsersOffice users;
    ASSERT_EQ(users.Ln(2.0), TableLn(2.0)) << "the user's LibreOffice did not start";
    RecordingWindow window("0.001");

    CalculateRoot(window, logs);
    const pid_t ours = logs.OnlyOffice();
    logs.lnCalls.clear();
    CalculateRoot(window, logs);

    EXPECT_THAT(window.answers, ElementsAre("1.1189", "1.1189"));
    EXPECT_NE(logs.OnlyOffice(), ours);
    EXPECT_TRUE(users.IsRunning());
    EXPECT_EQ(users.Ln(2.0), TableLn(2.0));
}

// A damaged registry of the user's own profile fails no click, and nothing is written in the home
// (GLib's dconf file goes there without XDG_RUNTIME_DIR); the UNO runtime starts once a process.
TEST_F(SpreadsheetLogUno, AnswersBesideADamagedProfileOfTheUsersAndWritesNothingInTheHome) {
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    const fs::path home = fs::temp_directory_path() / "home with a damaged profile";
    const fs::path registry = home /
                              ".config/libreoffice/4/user/extensions/bundled/registry/"
                              "com.sun.star.comp.deployment.component.PackageRegistryBackend";
    fs::create_directories(registry);
    std::ofstream(registry / "unorc") << "[Bootstrap]\nUNO_SERVICES=?$ORIGIN/common_.rdb\n";
    std::ofstream(registry / "common_.rdb") << "<?xml version=\"1.0\"?>\n<components xmlns=\"";
    using Listing = std::set<fs::directory_entry>;
    const auto listing = [&] { return Listing(fs::recursive_directory_iterator(home), {}); };
    EXPECT_EXIT(
        {
            setenv("HOME", home.c_str(), 1);
            unsetenv("XDG_RUNTIME_DIR");
            const Listing before = listing();
            RecordingWindow window("0.001");
            CalculateRoot(window, logs);
            const bool answered = window.answers == std::vector<std::string>{"1.1189"};
            std::exit(answered && listing() == before ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    fs::remove_all(home);
}

}  // namespace
}  // namespace secant_root::testing
