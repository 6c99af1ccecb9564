// How a Calc instance fails to start, and that it leaves nothing behind when it does; with
// made-up installations whose soffice.bin is a script, so that most cases start no real office.

#include "automation/uno/calc_instance.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "automation/uno/unique_fd.h"
#include "automation/uno/uno_failure_numbers.h"
#include "common/app_error.h"
#include "common/program_texts.h"
#include "tests/catalog_text.h"
#include "tests/fake_office_installation.h"
#include "tests/no_leftovers_test.h"
#include "tests/process_census.h"
#include "tests/raised_error.h"

namespace secant_root::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using texts::FilledText;

using namespace std::chrono_literals;

struct StartFailure {
    const char* name;
    // The script of soffice.bin; none when it is missing.
    std::optional<std::string> script;
    bool executable;
    std::string reason;
    // Whether the failure comes at once rather than at the start limit.
    bool atOnce = true;
    // A program that is not there was not installed; one that is there could not be started.
    std::string_view advice = texts::kStartLibreOfficeAdvice;
    // Whether the case needs another user (and so runs only as root).
    bool otherUser = false;
    // A tmpfs over /tmp (root only) with this many inodes free and this mode, also holding the
    // profile when profileInTmp; none keeps the real /tmp.
    std::optional<int> tmpFreeInodes = std::nullopt;
    const char* tmpMode = "1777";
    bool profileInTmp = false;
};

// A script of soffice.bin that first puts `plant` at the path of the pipe that it is asked to
// accept on ($pipe), as another user could, and records that path for the test to remove.
std::string PlantingScript(const std::string& plant) {
    return "pipe=/tmp/OSL_PIPE_$(id -u)_$(printf '%s\\n' \"$@\" |"
           " sed -n 's/^--accept=pipe,name=\\([^;]*\\);.*/\\1/p')\n"
           "echo \"$pipe\" >\"$here/planted\"\n" +
           plant + "\nsleep 600";
}

// A shell command that runs a listener on the socket path $1 (accepting and never answering).
constexpr const char* kListener =
    "perl -MIO::Socket::UNIX -e '$s = IO::Socket::UNIX->new(Local => $ARGV[0], Listen => 1) or "
    "die $!; $c = $s->accept; sleep 600'";

// A script of soffice.bin that, as another user (nobody), listens on the single-instance pipe
// that its profile, given in its environment, names, and records that path for the test.
std::string SingleInstanceSquattingScript() {
    return "pipe=$(perl -MDigest::MD5=md5 -MEncode=encode -e 'print \"/tmp/OSL_PIPE_$ARGV[0]_"
           "SingleOfficeIPC_\", map { sprintf \"%x\", $_ } unpack \"C*\", md5(encode("
           "\"UTF-16LE\", $ENV{UserInstallation}))' $(id -u))\n"
           "echo \"$pipe\" >\"$here/planted\"\n"
           "setpriv --reuid=65534 --regid=65534 --clear-groups " +
           std::string(kListener) + " \"$pipe\" &\nsleep 600";
}

std::string Repeated(std::string_view text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

std::string ExitedWith(const std::string& code) {
    return FilledText(texts::kProcessExitedText, {code});
}

std::string EndedBeforeConnection(const std::string& how) {
    return FilledText(texts::kEndedBeforeConnectionText, {how});
}

// A figure of /proc/self/status, in KiB.
long StatusKib(std::string_view name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(name)) {
            return std::stol(line.substr(name.size()));
        }
    }
    return -1;
}

// Whether this program's offices see a /tmp of their own, found by starting one.
bool PipesArePrivate() {
    const PrivateTmp tmp(std::filesystem::temp_directory_path(), {});
    return OfficeProcess("/bin/true", {}, {}, -1, &tmp).HasPrivateTmp();
}

class CalcInstanceStartFailures : public NoLeftoversTest,
                                  public ::testing::WithParamInterface<StartFailure> {};

TEST_P(CalcInstanceStartFailures, RaiseCannotCreateObjectAndLeaveNothing) {
    const StartFailure& c = GetParam();
    if ((c.otherUser || c.tmpFreeInodes) && geteuid() != 0) {
        GTEST_SKIP() << "only root can act as another user";
    }
    // What others put in the shared /tmp, or a /tmp full or open to all, reaches no office that
    // has a /tmp of its own: the real office serves there.
    const bool publicPipesOnly =
        c.advice == texts::kPipeTakenAdvice || (c.tmpFreeInodes && !c.profileInTmp);
    const bool served = publicPipesOnly && PipesArePrivate();
    if (served && !c.tmpFreeInodes) {
        GTEST_SKIP() << "the office's pipes are private: another user cannot reach them";
    }
    FakeOfficeInstallation fake;
    if (served) {
        fake.WriteOfficeScript("exec '" + OfficeInstallation::Default().OfficeBinary().string() +
                               "' \"$@\"");
    } else if (c.script) {
        fake.WriteOfficeScript(*c.script, c.executable);
    }

    // The peak resident size starts again from the present one.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long resident = StatusKib("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    std::optional<AppError> raised;
    // The full /tmp is mounted in a mount namespace of this thread's own, which ends with it.
    std::thread([&] {
        if (c.tmpFreeInodes) {
            ASSERT_EQ(unshare(CLONE_NEWNS), 0);
            if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                GTEST_SKIP() << "/ is no mount point (a chroot): a /tmp mounted here could "
                                "reach other mount namespaces";
            }
            // A build under /tmp keeps its top directory in view there, on the last free inode.
            const auto top = fake.programDirectory().lexically_relative("/tmp").begin()->string();
            const std::string kept = top == ".." ? "" : "/tmp/" + top;
            const UniqueFd tree(kept.empty() ? -1 : open(kept.c_str(), O_PATH | O_DIRECTORY));
            const std::string options = "mode=" + std::string(c.tmpMode) + ",nr_inodes=" +
                                        std::to_string(1 + !kept.empty() + *c.tmpFreeInodes);
            ASSERT_EQ(mount("tmpfs", "/tmp", "tmpfs", 0, options.c_str()), 0);
            if (!kept.empty()) {
                ASSERT_EQ(mkdir(kept.c_str(), 0700), 0);
                const std::string source = "/proc/self/fd/" + std::to_string(tree.get());
                ASSERT_EQ(mount(source.c_str(), kept.c_str(), nullptr, MS_BIND | MS_REC, nullptr),
                          0);
            }
        }
        const std::string tmpdir = std::getenv("TMPDIR");
        setenv("TMPDIR", c.profileInTmp ? "/tmp" : tmpdir.c_str(), 1);
        if (served) {
            double ln = 0;
            EXPECT_TRUE(CalcInstance(fake.installation()).CallLn(2.0) >>= ln);
            EXPECT_EQ(ln, std::log(2.0));
        } else {
            raised = RaisedError([&] { CalcInstance instance(fake.installation(), 2s); });
        }
        setenv("TMPDIR", tmpdir.c_str(), 1);
    }).join();
    const auto took = std::chrono::steady_clock::now() - start;
    if (IsSkipped() || served) {
        return;
    }
    ASSERT_TRUE(raised.has_value());
    const AppError& error = *raised;

    std::string planted;
    std::getline(std::ifstream(fake.programDirectory() / "planted"), planted);
    pid_t stranger = 0;
    std::ifstream(fake.programDirectory() / "stranger") >> stranger;
    if (stranger > 0) {
        kill(stranger, SIGKILL);
    }
    EXPECT_EQ(error.kind(), ErrorKind::CannotCreateObject);
    EXPECT_EQ(error.number(), kCannotCreateObjectNumber);
    EXPECT_THAT(error.description(), HasSubstr(c.reason));
    EXPECT_EQ(error.advice(), c.advice);
    EXPECT_LT(took, c.atOnce ? 1500ms : 4s);
    EXPECT_LT(StatusKib("VmHWM:") - resident, 64 * 1024) << "KiB more at the peak";
    if (!planted.empty()) {
        std::filesystem::remove(planted);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Offices, CalcInstanceStartFailures,
    ::testing::Values(
        StartFailure{"Missing", std::nullopt, true, "soffice.bin: No such file or directory", true,
                     texts::kInstallLibreOfficeAdvice},
        StartFailure{"NotExecutable", "exit 0", false, "soffice.bin: Permission denied"},
        StartFailure{"ExitsAtOnce", "exit 3", true, EndedBeforeConnection(ExitedWith("3"))},
        StartFailure{"Crashes", "kill -SEGV $$", true,
                     FilledText(texts::kProcessSignalledText, {"11", strsignal(SIGSEGV)})},
        // What the office writes to its standard error goes into the description, not to the
        // terminal.
        StartFailure{"ComplainsAndExits", "echo 'no profile here' >&2; exit 3", true,
                     EndedBeforeConnection(ExitedWith("3")) +
                         FilledText(texts::kOfficeWroteText, {"no profile here"})},
        // Asking to be restarted is honoured, but not for ever.
        StartFailure{"AlwaysAsksForARestart", "echo >>\"$here/starts\"; exit 81", true,
                     ExitedWith("81")},
        // What another user could put at the pipe's public path before the office binds it.
        StartFailure{"PipeLinkedToAnotherListener",
                     PlantingScript(std::string(kListener) + " \"$here/other\" & sleep 0.2; " +
                                    "ln -s \"$here/other\" \"$pipe\""),
                     true, "/program/other" + TextAfter(texts::kPipeIsALinkText, "{2}"), true,
                     texts::kPipeTakenAdvice},
        StartFailure{"PipeLinkedToNothing", PlantingScript("ln -s /nowhere \"$pipe\""), true,
                     TextAfter(FilledText(texts::kPipeIsALinkText, {"{1}", "/nowhere"}), "{1}"),
                     true, texts::kPipeTakenAdvice},
        StartFailure{
            "PipeIsARegularFile", PlantingScript("touch \"$pipe\""), true,
            TextAfter(FilledText(texts::kPipeIsNotASocketText, {"{1}", "обычный файл"}), "{1}"),
            true, texts::kPipeTakenAdvice},
        StartFailure{"PipeServedByAnotherProcess",
                     PlantingScript("setsid " + std::string(kListener) +
                                    " \"$pipe\" & echo $! >\"$here/stranger\""),
                     true, TextAfter(texts::kPipeServedByAnotherText, "{3}", "{4}"), true,
                     texts::kPipeTakenAdvice},
        // Another user who learnt the profile's URL listens on the office's single-instance
        // pipe, on which the office would wait for ever: noticed at once.
        StartFailure{"SingleInstancePipeTakenByAnotherUser", SingleInstanceSquattingScript(), true,
                     TextAfter(FilledText(texts::kSingleInstancePipeTakenText,
                                          {"{1}", "сокет", "65534 (nobody)"}),
                               "{1}"),
                     true, texts::kPipeTakenAdvice, true},
        // What the office writes to its standard error is kept bounded, in memory, whatever it
        // writes, and shown as printable text cut at a character.
        StartFailure{"FloodsItsStandardError",
                     "head -c 100000000 /dev/zero >&2; (printf 'ж%.0s' $(seq 300); printf x) >&2\n"
                     "set -- $(du -sk \"$TMPDIR/..\"); [ \"$1\" -lt 2048 ] || exit 4; exit 3",
                     true,
                     EndedBeforeConnection(ExitedWith("3")) +
                         FilledText(texts::kOfficeWroteText, {"…" + Repeated("ж", 199) + "x"})},
        StartFailure{
            "WritesWhatIsNotText",
            "printf 'bad \\377\\376 esc \\033[2J\\n\\342\\202 end\\n' >&2; exit 3", true,
            EndedBeforeConnection(ExitedWith("3")) +
                FilledText(texts::kOfficeWroteText, {"bad \uFFFD\uFFFD esc \uFFFD[2J \uFFFD end"})},
        // The size of a block comes from the peer: a first block that claims 2 GiB and brings
        // three bytes reserves no more than what came, until the start limit ends the wait.
        StartFailure{"ClaimsAHugeFirstBlock",
                     PlantingScript("exec perl -MIO::Socket::UNIX -e '$s = IO::Socket::UNIX->new("
                                    "Local => $ARGV[0], Listen => 1) or die $!; $c = $s->accept; "
                                    "print $c pack(\"NN\", 0x7fffffff, 1), \"abc\"; sleep 600' "
                                    "\"$pipe\""),
                     true, TextBefore(texts::kNoAnswerAtStartText, "{1}"), false},
        // An office that accepts and never answers is ended at the start limit.
        StartFailure{"AcceptsButNeverAnswers",
                     PlantingScript("exec " + std::string(kListener) + " \"$pipe\""), true,
                     TextBefore(texts::kNoAnswerAtStartText, "{1}"), false},
        // A start that times out ends with what the office wrote, as any other start failure.
        StartFailure{"ComplainsAndNeverAccepts", "echo 'stuck' >&2; sleep 600", true,
                     FilledText(texts::kNoConnectionText, {texts::SecondsText(2s)}) +
                         FilledText(texts::kOfficeWroteText, {"stuck"}),
                     false},
        // An office that cannot make its pipe for want of an inode would retry for ever.
        StartFailure{"PipeDirectoryWithoutInodes", "sleep 600", true,
                     FilledText(texts::kPipeDirectoryFullText, {"/tmp", texts::kNoFreeInodesWord}),
                     true, texts::kFreeRoomAdvice, false, 0},
        // A socket that refuses, on the last inode: the office has made its pipe.
        StartFailure{"PipeDirectoryFullBesideARefusingSocket",
                     PlantingScript("exec perl -MSocket -e 'socket(S, PF_UNIX, SOCK_STREAM, 0); "
                                    "bind(S, pack_sockaddr_un($ARGV[0])) or die $!; sleep 600' "
                                    "\"$pipe\""),
                     true, FilledText(texts::kNoConnectionText, {texts::SecondsText(2s)}), false,
                     texts::kStartLibreOfficeAdvice, false, 1},
        StartFailure{"PipeDirectoryWritableByAll", "sleep 600", true,
                     FilledText(texts::kPipeDirectoryOpenText,
                                {"/tmp", texts::kWritableByOthersReason, "0777"}),
                     true, texts::kStartLibreOfficeAdvice, false, 100, "0777"},
        StartFailure{"NoRoomForTheProfile", "sleep 600", true,
                     FilledText(texts::kProfileNotCreatedText, {"/tmp", std::strerror(ENOSPC)}),
                     true, texts::kFreeRoomAdvice, false, 0, "1777", true}),
    [](const auto& info) { return std::string(info.param.name); });

class CalcInstanceStart : public NoLeftoversTest {};

// The directory of this user's private directories in the temporary directory.
std::filesystem::path UsersDirectory() {
    return std::filesystem::temp_directory_path() / ("secant-root-" + std::to_string(geteuid()));
}

// The private directories of instances.
std::set<std::filesystem::path> PrivateDirectories() {
    std::set<std::filesystem::path> directories;
    std::error_code none;
    for (const auto& entry : std::filesystem::directory_iterator(UsersDirectory(), none)) {
        directories.insert(entry.path());
    }
    return directories;
}

TEST_F(CalcInstanceStart, IsRestartedWhenLibreOfficeAsksForIt) {
    FakeOfficeInstallation fake;
    fake.WriteOfficeScript("if [ -e \"$here/started\" ]; then exec \"" +
                           OfficeInstallation::Default().OfficeBinary().string() +
                           "\" \"$@\"; fi\n"
                           "touch \"$here/started\"; exit 81");

    const CalcInstance instance(fake.installation());

    double ln = 0;
    EXPECT_TRUE(instance.CallLn(2.0) >>= ln);
    EXPECT_EQ(ln, std::log(2.0));
}

TEST_F(CalcInstanceStart, GivesUpAtTheTimeOutAndKillsWhatTheOfficeStarted) {
    FakeOfficeInstallation fake;
    const auto sleeperFile = fake.programDirectory() / "sleeper";
    fake.WriteOfficeScript("sleep 600 & echo $! >\"$here/sleeper\"; wait");

    const AppError error = RaisedError([&] { CalcInstance instance(fake.installation(), 300ms); });

    EXPECT_EQ(error.kind(), ErrorKind::CannotCreateObject);
    EXPECT_THAT(error.description(),
                HasSubstr(FilledText(texts::kNoConnectionText, {texts::SecondsText(300ms)})));

    pid_t sleeper = 0;
    std::ifstream(sleeperFile) >> sleeper;
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(EndsWithin(sleeper, 1s)) << "the office's own child outlived the kill";
}

TEST_F(CalcInstanceStart, MakesSocketsOfTheUserAloneWhateverTheUmask) {
    const mode_t saved = umask(0);
    const CalcInstance instance(OfficeInstallation::Default());
    umask(saved);

    const std::vector<std::string> sockets = SocketPathsOf(instance.ProcessId());
    EXPECT_FALSE(sockets.empty());
    // The paths are the office's; its /tmp, where it has its own, is in view in its /proc root.
    const std::string root = "/proc/" + std::to_string(instance.ProcessId()) + "/root";
    for (const std::string& path : sockets) {
        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(path)),
                  OfficeProcess::PrivateTmpRefused())
            << path << " in this program's /tmp";
        struct stat status {};
        ASSERT_EQ(lstat((root + path).c_str(), &status), 0) << path;
        EXPECT_EQ(status.st_mode & 077, 0u) << path << " is open to other users";
    }
}

TEST_F(CalcInstanceStart, AnInstanceThatStopsAnsweringIsKilledAtTheCallLimit) {
    std::optional<CalcInstance> instance;
    instance.emplace(OfficeInstallation::Default(), CalcInstance::kConnectTimeout, 300ms);
    const pid_t office = instance->ProcessId();
    ASSERT_EQ(kill(office, SIGSTOP), 0);
    // The limit needs no signal, whatever mask the program inherited.
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm, nullptr);

    const auto start = std::chrono::steady_clock::now();
    const AppError error = RaisedError([&] { instance->CallLn(2.0); });
    pthread_sigmask(SIG_UNBLOCK, &alarm, nullptr);
    instance.reset();

    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(error.kind(), ErrorKind::AutomationFailure);
    EXPECT_EQ(error.number(), kNoAnswerNumber);
    EXPECT_THAT(error.description(),
                HasSubstr(FilledText(texts::kNoAnswerText, {"LN", texts::SecondsText(300ms)})));
    EXPECT_TRUE(EndsWithin(office, 1s));
}

// LibreOffice names the pipe that keeps a profile to one instance after the profile's URL; another
// user who learnt it could listen there first, and the office would wait on that pipe for ever.
// What any user can read of the instance, its command line, names neither the profile nor the
// directory it lies in (what is at the pipe's path itself is checked by the start-failure table).
TEST_F(CalcInstanceStart, NoOtherUserCanLearnTheProfilesUrl) {
    const CalcInstance instance(OfficeInstallation::Default());
    std::ifstream in("/proc/" + std::to_string(instance.ProcessId()) + "/cmdline");
    const std::string commandLine{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    ASSERT_THAT(commandLine, HasSubstr("--accept=pipe"));
    EXPECT_THAT(commandLine, Not(HasSubstr("UserInstallation")));
    EXPECT_THAT(commandLine, Not(HasSubstr("secant-root-")));
}

// Whatever fonts the desktop has, the instance takes the DejaVu ones alone: fontconfig would load
// every font of a desktop into its start, and a logarithm needs none.
TEST_F(CalcInstanceStart, TakesTheDejaVuFontsAlone) {
    const CalcInstance instance(OfficeInstallation::Default());
    instance.CallLn(2.0);  // Calc and its first document are loaded, and with them fonts
    std::ifstream maps("/proc/" + std::to_string(instance.ProcessId()) + "/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.ends_with(".ttf") || line.ends_with(".otf")) {
            EXPECT_THAT(line, HasSubstr(" /usr/share/fonts/truetype/dejavu/"));
        }
    }
}

// Nothing can catch SIGKILL: the next instance of any run removes what the killed one left, and
// only that.
TEST_F(CalcInstanceStart, TheNextInstanceRemovesWhatAKilledProgramLeft) {
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    const std::set<std::filesystem::path> before = PrivateDirectories();
    EXPECT_EXIT(
        {
            const CalcInstance instance(OfficeInstallation::Default());
            raise(SIGKILL);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    std::vector<std::filesystem::path> left;
    std::ranges::set_difference(PrivateDirectories(), before, std::back_inserter(left));
    ASSERT_EQ(left.size(), 1u) << "the killed program left no private directory";
    std::vector<std::string> sockets;
    std::ifstream record(left[0] / "sockets");
    for (std::string path; std::getline(record, path);) {
        if (std::filesystem::exists(std::filesystem::symlink_status(path))) {
            sockets.push_back(path);
        }
    }
    EXPECT_FALSE(sockets.empty()) << "the killed program's instance left no socket";

    // One without a lock that has just changed may be one being made.
    const std::filesystem::path unlocked = UsersDirectory() / "unlckd";
    std::filesystem::create_directory(unlocked);

    const CalcInstance running(OfficeInstallation::Default());
    const CalcInstance next(OfficeInstallation::Default());

    EXPECT_TRUE(std::filesystem::remove(unlocked)) << "a directory without a lock was removed";
    EXPECT_FALSE(std::filesystem::exists(left[0]));
    for (const std::string& path : sockets) {
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(path))) << path;
    }
    double ln = 0;
    EXPECT_TRUE(running.CallLn(2.0) >>= ln) << "the directory of a running instance was removed";
}

// Temporary directories that the office once could not use: one relative to the working
// directory, and one with non-ASCII characters under a locale whose charset is not UTF-8.
struct TemporaryDirectoryCase {
    const char* name;
    const char* subdirectory;
    bool relative;
    const char* locale;
};

class CalcInstanceTemporaryDirectories
    : public NoLeftoversTest,
      public ::testing::WithParamInterface<TemporaryDirectoryCase> {};

TEST_P(CalcInstanceTemporaryDirectories, ServeLogarithmsAndLeaveNothing) {
    const TemporaryDirectoryCase& c = GetParam();
    const std::string savedTmpdir = std::getenv("TMPDIR");
    const char* savedLocale = std::getenv("LC_ALL");
    const std::string savedLocaleText = savedLocale != nullptr ? savedLocale : "";
    const std::filesystem::path savedWorkingDirectory = std::filesystem::current_path();
    const std::filesystem::path directory = std::filesystem::path(savedTmpdir) / c.subdirectory;
    std::filesystem::create_directories(directory);
    if (c.relative) {
        std::filesystem::current_path(savedTmpdir);
    }
    setenv("TMPDIR", c.relative ? c.subdirectory : directory.c_str(), 1);
    setenv("LC_ALL", c.locale, 1);

    double ln = 0;
    {
        const CalcInstance instance(OfficeInstallation::Default(), 20s);
        instance.CallLn(2.0) >>= ln;
    }
    const bool empty = std::filesystem::is_empty(directory);

    std::filesystem::current_path(savedWorkingDirectory);
    setenv("TMPDIR", savedTmpdir.c_str(), 1);
    savedLocale != nullptr ? setenv("LC_ALL", savedLocaleText.c_str(), 1) : unsetenv("LC_ALL");
    std::filesystem::remove(directory);
    EXPECT_EQ(ln, std::log(2.0));
    EXPECT_TRUE(empty) << "left files in " << directory;
}

INSTANTIATE_TEST_SUITE_P(
    Directories, CalcInstanceTemporaryDirectories,
    ::testing::Values(TemporaryDirectoryCase{"Relative", "relative tmp", true, "C.UTF-8"},
                      TemporaryDirectoryCase{"NonAsciiInTheCLocale", "Тест ü€", false, "C"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant_root::testing
