// Where the private profiles are made, and what of the runs that died is removed there; in
// temporary directories of the test's own, without starting an office.

#include "automation/uno/private_profile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "automation/uno/unique_fd.h"
#include "common/app_error.h"
#include "common/program_texts.h"
#include "tests/no_leftovers_test.h"
#include "tests/raised_error.h"

namespace secant_root::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using texts::FilledText;

// Another user, whom root can give a directory; kSelf leaves the owner as made.
constexpr uid_t kNobody = 65534;
constexpr uid_t kSelf = static_cast<uid_t>(-1);

// Each test sets TMPDIR to directories under a scratch directory of its own (0700), and
// XDG_RUNTIME_DIR only where it says so.
class ProfilePlaceTest : public NoLeftoversTest {
  protected:
    void SetUp() override {
        NoLeftoversTest::SetUp();
        const char* temporary = std::getenv("TMPDIR");
        saved_ = temporary == nullptr ? "/tmp" : temporary;
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        savedRuntime_ = runtime == nullptr ? std::nullopt : std::optional<std::string>(runtime);
        unsetenv("XDG_RUNTIME_DIR");
        scratch_ = Make(fs::path(saved_) / "profile place", 0700);
    }
    void TearDown() override {
        setenv("TMPDIR", saved_.c_str(), 1);
        savedRuntime_ ? setenv("XDG_RUNTIME_DIR", savedRuntime_->c_str(), 1)
                      : unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(scratch_);
        NoLeftoversTest::TearDown();
    }

    // The directory `path` with `mode` (whatever the umask) and `owner`.
    static fs::path Make(const fs::path& path, mode_t mode, uid_t owner = kSelf) {
        fs::create_directories(path);
        EXPECT_EQ(chmod(path.c_str(), mode), 0);
        EXPECT_EQ(chown(path.c_str(), owner, static_cast<gid_t>(-1)), 0);
        return path;
    }
    static fs::path UseAsTemporaryDirectory(const fs::path& base) {
        setenv("TMPDIR", base.c_str(), 1);
        return base / ("secant-root-" + std::to_string(geteuid()));
    }

    const ProfileSeed seed_{"7.4", "test-build"};
    std::string saved_;
    std::optional<std::string> savedRuntime_;
    fs::path scratch_;
};

std::set<fs::path> Contents(const fs::path& directory) {
    return {fs::recursive_directory_iterator(directory), fs::recursive_directory_iterator()};
}

struct UnsafeBase {
    const char* name;
    mode_t aboveMode;
    mode_t baseMode;
    uid_t baseOwner;
    // Put where the user's directory goes: nothing, a directory of another user's or a link.
    enum { kNothing, kOthersDirectory, kLink } squat;
    // What the report names: the directory above the base, the base or the user's directory.
    enum { kAbove, kBase, kUsers } named;
    std::string reason;
    const char* namedMode;
    // The runtime directory's permissions; 0 leaves XDG_RUNTIME_DIR unset.
    mode_t runtimeMode = 0;
    // A user whom the base's access control list lets write it; kSelf adds none.
    uid_t aclWriter = kSelf;
};

class ProfilePlaceUnsafe : public ProfilePlaceTest,
                           public ::testing::WithParamInterface<UnsafeBase> {};

TEST_P(ProfilePlaceUnsafe, FailsAtOnceWritingNothing) {
    const UnsafeBase& c = GetParam();
    if ((c.baseOwner == kNobody || c.squat == UnsafeBase::kOthersDirectory) && geteuid() != 0) {
        GTEST_SKIP() << "only root can make a directory of another user's";
    }
    const fs::path above = Make(scratch_ / "above", c.aboveMode);
    const fs::path base = Make(above / "base", c.baseMode, c.baseOwner);
    if (c.aclWriter != kSelf) {
        const std::string setfacl = "setfacl -m u:" + std::to_string(c.aclWriter) + ":rwx ";
        ASSERT_EQ(std::system((setfacl + "'" + base.string() + "'").c_str()), 0);
    }
    const fs::path users = UseAsTemporaryDirectory(base);
    if (c.squat == UnsafeBase::kOthersDirectory) {
        Make(users, 0700, kNobody);
    } else if (c.squat == UnsafeBase::kLink) {
        fs::create_directory_symlink(Make(scratch_ / "target", 0700), users);
    }
    if (c.runtimeMode != 0) {
        setenv("XDG_RUNTIME_DIR", Make(scratch_ / "runtime", c.runtimeMode).c_str(), 1);
    }
    const fs::path named = std::vector{above, base, users}[c.named];
    const std::set<fs::path> before = Contents(scratch_);

    const auto start = std::chrono::steady_clock::now();
    const AppError error = RaisedError([&] { PrivateProfile profile(seed_); });

    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(error.number(), kCannotCreateObjectNumber);
    EXPECT_THAT(error.description(),
                ::testing::HasSubstr(FilledText(texts::kProfilePlaceOpenText,
                                                {named.string(), c.reason, c.namedMode})));
    EXPECT_EQ(error.advice(), texts::kOwnTemporaryDirectoryAdvice);
    EXPECT_EQ(Contents(scratch_), before) << "wrote where others can change it";
}

const std::string kByAll(texts::kWritableByOthersReason);
const std::string kByGroup = FilledText(texts::kWritableByGroupReason, {std::to_string(getegid())});
const std::string kNobodys = FilledText(texts::kOwnedByUserReason, {std::to_string(kNobody)});
const std::string kNobodyByAcl =
    FilledText(texts::kWritableThroughAclReason,
               {FilledText(texts::kAclUserEntry, {std::to_string(kNobody)})});

INSTANTIATE_TEST_SUITE_P(
    Bases, ProfilePlaceUnsafe,
    ::testing::Values(UnsafeBase{"ByAll", 0700, 0777, kSelf, UnsafeBase::kNothing,
                                 UnsafeBase::kBase, kByAll, "0777"},
                      UnsafeBase{"ByTheGroup", 0700, 0770, kSelf, UnsafeBase::kNothing,
                                 UnsafeBase::kBase, kByGroup, "0770"},
                      UnsafeBase{"ThroughAnAcl", 0700, 0700, kSelf, UnsafeBase::kNothing,
                                 UnsafeBase::kBase, kNobodyByAcl, "0770", 0, kNobody},
                      UnsafeBase{"BelowOneByAll", 0777, 0700, kSelf, UnsafeBase::kNothing,
                                 UnsafeBase::kAbove, kByAll, "0777"},
                      UnsafeBase{"AnotherUsers", 0700, 0755, kNobody, UnsafeBase::kNothing,
                                 UnsafeBase::kBase, kNobodys, "0755"},
                      UnsafeBase{"UsersDirectoryTaken", 0700, 01777, kSelf,
                                 UnsafeBase::kOthersDirectory, UnsafeBase::kUsers, kNobodys,
                                 "0700"},
                      UnsafeBase{"UsersDirectoryALink", 0700, 01777, kSelf, UnsafeBase::kLink,
                                 UnsafeBase::kUsers, std::string(texts::kSymbolicLinkReason),
                                 "0777"},
                      // The runtime directory is tried only for the user's directory, and only
                      // when it passes the rule too.
                      UnsafeBase{"ByAllBesideASafeRuntimeDirectory", 0700, 0777, kSelf,
                                 UnsafeBase::kNothing, UnsafeBase::kBase, kByAll, "0777", 0700},
                      UnsafeBase{"UsersDirectoryALinkAndTheRuntimeDirectoryByAll", 0700, 01777,
                                 kSelf, UnsafeBase::kLink, UnsafeBase::kUsers,
                                 std::string(texts::kSymbolicLinkReason), "0777", 0777}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfilePlaceTest, IsMadeInTmpAPrivateAndASharedStickyDirectoryAndRemoved) {
    for (const fs::path& base :
         {fs::path("/tmp"), Make(scratch_ / "own", 0700), Make(scratch_ / "shared", 01777)}) {
        const fs::path users = UseAsTemporaryDirectory(base);
        fs::path root;
        {
            const PrivateProfile profile(seed_);
            root = profile.UserInstallation().parent_path();
            EXPECT_EQ(root.parent_path(), users);
            EXPECT_TRUE(fs::exists(profile.UserInstallation() / "user/registrymodifications.xcu"));
        }
        EXPECT_FALSE(fs::exists(root)) << base;
        EXPECT_TRUE(base == "/tmp" || fs::is_empty(base)) << base;
    }
}

// Another user can take the user's directory's name in a shared temporary directory: the
// profile then goes to the runtime directory, whose dead runs are removed as in the temporary
// one, and nothing is written into what has the name.
TEST_F(ProfilePlaceTest, IsMadeInTheRuntimeDirectoryWhenAnotherUserTookTheName) {
    const fs::path users = UseAsTemporaryDirectory(Make(scratch_ / "shared", 01777));
    const fs::path runtime = Make(scratch_ / "runtime", 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const fs::path target = Make(scratch_ / "target", 0700);
    for (const std::string squat : {"another user's directory", "link"}) {
        if (squat == "link") {
            fs::create_directory_symlink(target, users);
        } else if (geteuid() == 0) {
            Make(users, 0700, kNobody);
        } else {
            continue;  // only root can make a directory of another user's
        }
        std::ofstream(Make(runtime / "secant-root/deadRn", 0700) / "lock").put('\n');
        {
            const PrivateProfile profile(seed_);
            EXPECT_EQ(profile.UserInstallation().parent_path().parent_path(),
                      runtime / "secant-root")
                << squat;
        }
        EXPECT_TRUE(fs::is_empty(runtime)) << squat;
        EXPECT_TRUE(fs::is_empty(target) && fs::is_empty(users)) << squat;
        fs::remove(users);
    }
}

// Without TMPDIR, the runtime directory, which no other user can fill, comes before /tmp.
TEST_F(ProfilePlaceTest, IsMadeInTheRuntimeDirectoryWithoutTmpdir) {
    const fs::path runtime = Make(scratch_ / "runtime", 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    unsetenv("TMPDIR");
    const PrivateProfile profile(seed_);
    EXPECT_EQ(profile.UserInstallation().parent_path().parent_path(), runtime / "secant-root");
}

// What a run killed at any moment leaves, beside what live runs and another user have.
TEST_F(ProfilePlaceTest, TheNextProfileRemovesWhatKilledRunsLeftAndNothingElse) {
    const fs::path base = Make(scratch_ / "shared", 01777);
    const fs::path users = Make(UseAsTemporaryDirectory(base), 0700);
    struct Leftover {
        const char* name;
        std::vector<const char*> files;
        bool changedLongAgo;
        const char* heldLock;
        bool removed;
    };
    const std::vector<Leftover> leftovers{
        {"madeDr", {}, true, nullptr, true},
        {"lockNw", {"lock.new"}, true, nullptr, true},
        {"lockFr", {"lock", "profile/user/registrymodifications.xcu"}, false, nullptr, true},
        {"halfRm", {"profile/user/extensions/buildid"}, true, nullptr, true},
        {"making", {}, false, nullptr, false},
        {"taking", {"lock.new"}, true, "lock.new", false},
        {"living", {"lock", "sockets"}, true, "lock", false},
    };
    std::vector<UniqueFd> held;
    for (const Leftover& leftover : leftovers) {
        const fs::path directory = users / leftover.name;
        fs::create_directory(directory);
        for (const fs::path file : leftover.files) {
            fs::create_directories((directory / file).parent_path());
            std::ofstream(directory / file).put('\n');
        }
        if (leftover.heldLock != nullptr) {
            held.emplace_back(open((directory / leftover.heldLock).c_str(), O_RDWR | O_CLOEXEC));
            ASSERT_EQ(flock(held.back().get(), LOCK_EX | LOCK_NB), 0);
        }
        const timespec anHourAgo{time(nullptr) - 3600, 0};
        const timespec times[2] = {anHourAgo, anHourAgo};
        ASSERT_TRUE(!leftover.changedLongAgo ||
                    utimensat(AT_FDCWD, directory.c_str(), times, 0) == 0);
    }
    // Another user's look-alike in the shared directory, seemingly dead.
    const fs::path others = base / "secant-root-dEc0y1";
    std::ofstream(Make(others, 0700) / "lock").put('\n');
    EXPECT_EQ(chown(others.c_str(), geteuid() == 0 ? kNobody : kSelf, kSelf), 0);

    // Its lock goes last, so that a removal cut short leaves a free lock for the next to see.
    const UniqueFd watch(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    {
        const PrivateProfile next(seed_);
        inotify_add_watch(watch.get(), next.UserInstallation().parent_path().c_str(), IN_DELETE);
    }
    alignas(inotify_event) char events[4096];
    std::string lastRemoved;
    for (ssize_t at = 0, size = read(watch.get(), events, sizeof events); at < size;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        lastRemoved = event->len > 0 ? event->name : lastRemoved;
        at += sizeof(inotify_event) + event->len;
    }
    EXPECT_EQ(lastRemoved, "lock");

    for (const Leftover& leftover : leftovers) {
        EXPECT_EQ(fs::exists(users / leftover.name), !leftover.removed) << leftover.name;
    }
    EXPECT_TRUE(fs::exists(others / "lock"));
}

// Only the user's directory is read: many entries in the shared one cost nothing. Profiles made
// in turn beside them and in an empty directory, the fastest of each compared. Looking at each
// entry, as a sweep of the shared directory would, costs well over the margin (100,000 system
// calls); the margin is for a loaded machine.
TEST_F(ProfilePlaceTest, CostsTheSameBesideManyLookAlikes) {
    const std::vector<fs::path> bases{Make(scratch_ / "empty", 01777),
                                      Make(scratch_ / "crowded", 01777)};
    std::ofstream(bases[1] / "look-alike").put('\n');
    for (int i = 0; i < 50000; ++i) {
        fs::create_hard_link(bases[1] / "look-alike",
                             bases[1] / ("secant-root-" + std::to_string(100000 + i)));
    }
    std::vector fastest(2, std::chrono::steady_clock::duration::max());
    for (int run = 0; run < 20; ++run) {
        UseAsTemporaryDirectory(bases[run % 2]);
        const auto start = std::chrono::steady_clock::now();
        { const PrivateProfile profile(seed_); }
        fastest[run % 2] = std::min(fastest[run % 2], std::chrono::steady_clock::now() - start);
    }

    EXPECT_LT(fastest[1], fastest[0] + 20ms);
}

}  // namespace
}  // namespace secant_root::testing
