// Where the private profiles are made, and what of the runs that died is removed there; made in
// temporary directories of the test's own, without starting an office.

#include "automation/uno/private_profile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "automation/uno/unique_fd.h"
#include "common/app_error.h"
#include "common/program_texts.h"
#include "tests/catalog_text.h"
#include "tests/no_leftovers_test.h"
#include "tests/raised_error.h"

namespace secant_root::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

// Another user: root can give a directory to nobody.
constexpr uid_t kNobody = 65534;
// Leaves the owner as made (chown's "no change").
constexpr uid_t kSelf = static_cast<uid_t>(-1);

// Runs with TMPDIR set to a directory under a scratch directory of the test's own (0700).
class ProfilePlaceTest : public NoLeftoversTest {
  protected:
    void SetUp() override {
        NoLeftoversTest::SetUp();
        saved_ = std::getenv("TMPDIR");
        scratch_ = fs::path(saved_) / "profile place";
        Make(scratch_, 0700);
    }
    void TearDown() override {
        setenv("TMPDIR", saved_.c_str(), 1);
        fs::remove_all(scratch_);
        NoLeftoversTest::TearDown();
    }

    // Makes the directory `path` with `mode` (whatever the umask) and `owner`.
    static fs::path Make(const fs::path& path, mode_t mode, uid_t owner = kSelf) {
        fs::create_directories(path);
        EXPECT_EQ(chmod(path.c_str(), mode), 0);
        EXPECT_EQ(chown(path.c_str(), owner, static_cast<gid_t>(-1)), 0);
        return path;
    }
    static void UseAsTemporaryDirectory(const fs::path& base) { setenv("TMPDIR", base.c_str(), 1); }
    static fs::path UsersDirectory(const fs::path& base) {
        return base / ("secant-root-" + std::to_string(geteuid()));
    }
    // Every path under `directory`.
    static std::set<fs::path> Contents(const fs::path& directory) {
        std::set<fs::path> contents;
        for (const auto& entry : fs::recursive_directory_iterator(directory)) {
            contents.insert(entry.path());
        }
        return contents;
    }

    const ProfileSeed seed_{"7.4", "test-build"};
    std::string saved_;
    fs::path scratch_;
};

struct UnsafeBase {
    const char* name;
    mode_t aboveMode;
    mode_t baseMode;
    uid_t baseOwner;
    // What is put where this user's directory goes: nothing, a directory of another user's or a
    // link to a directory of this user's.
    enum { kNothing, kOthersDirectory, kLink } squat;
    // The directory that the report names: the one above the base, the base or this user's.
    enum { kAbove, kBase, kUsers } named;
    std::string reason;
    const char* namedMode;
};

class ProfilePlaceUnsafe : public ProfilePlaceTest,
                           public ::testing::WithParamInterface<UnsafeBase> {};

TEST_P(ProfilePlaceUnsafe, FailsAtOnceWritingNothing) {
    const UnsafeBase& c = GetParam();
    const bool needsRoot = c.baseOwner == kNobody || c.squat == UnsafeBase::kOthersDirectory;
    if (needsRoot && geteuid() != 0) {
        GTEST_SKIP() << "only root can make a directory of another user's";
    }
    const fs::path above = Make(scratch_ / "above", c.aboveMode);
    const fs::path base = Make(above / "base", c.baseMode, c.baseOwner);
    if (c.squat == UnsafeBase::kOthersDirectory) {
        Make(UsersDirectory(base), 0700, kNobody);
    } else if (c.squat == UnsafeBase::kLink) {
        fs::create_directory_symlink(Make(scratch_ / "target", 0700), UsersDirectory(base));
    }
    const fs::path named = c.named == UnsafeBase::kAbove  ? above
                           : c.named == UnsafeBase::kBase ? base
                                                          : UsersDirectory(base);
    UseAsTemporaryDirectory(base);
    const std::set<fs::path> before = Contents(scratch_);

    const auto start = std::chrono::steady_clock::now();
    const AppError error = RaisedError([&] { PrivateProfile profile(seed_); });
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(error.number(), kCannotCreateObjectNumber);
    EXPECT_THAT(error.description(),
                HasSubstr(texts::FilledText(texts::kProfilePlaceOpenText,
                                            {named.string(), c.reason, c.namedMode})));
    EXPECT_EQ(error.advice(), texts::kOwnTemporaryDirectoryAdvice);
    EXPECT_LT(took, 1s);
    EXPECT_EQ(Contents(scratch_), before) << "wrote where others can change it";
}

std::string GroupReason() {
    return texts::FilledText(texts::kWritableByGroupReason, {std::to_string(getegid())});
}

std::string OwnerReason(uid_t owner) {
    return texts::FilledText(texts::kOwnedByUserReason, {std::to_string(owner)});
}

INSTANTIATE_TEST_SUITE_P(
    Bases, ProfilePlaceUnsafe,
    ::testing::Values(
        UnsafeBase{"WritableByAll", 0700, 0777, kSelf, UnsafeBase::kNothing, UnsafeBase::kBase,
                   std::string(texts::kWritableByOthersReason), "0777"},
        UnsafeBase{"WritableByTheGroup", 0700, 0770, kSelf, UnsafeBase::kNothing, UnsafeBase::kBase,
                   GroupReason(), "0770"},
        UnsafeBase{"SafeBelowOneWritableByAll", 0777, 0700, kSelf, UnsafeBase::kNothing,
                   UnsafeBase::kAbove, std::string(texts::kWritableByOthersReason), "0777"},
        UnsafeBase{"AnotherUsers", 0700, 0755, kNobody, UnsafeBase::kNothing, UnsafeBase::kBase,
                   OwnerReason(kNobody), "0755"},
        UnsafeBase{"UsersDirectoryTakenByAnother", 0700, 01777, kSelf, UnsafeBase::kOthersDirectory,
                   UnsafeBase::kUsers, OwnerReason(kNobody), "0700"},
        UnsafeBase{"UsersDirectoryALink", 0700, 01777, kSelf, UnsafeBase::kLink, UnsafeBase::kUsers,
                   std::string(texts::kSymbolicLinkReason), "0777"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SafeBase {
    const char* name;
    // Under the scratch directory; none for /tmp.
    const char* subdirectory;
    mode_t mode;
};

class ProfilePlaceSafe : public ProfilePlaceTest, public ::testing::WithParamInterface<SafeBase> {};

TEST_P(ProfilePlaceSafe, HoldsTheProfileUntilItGoes) {
    const SafeBase& c = GetParam();
    const fs::path base =
        c.subdirectory == nullptr ? fs::path("/tmp") : Make(scratch_ / c.subdirectory, c.mode);
    UseAsTemporaryDirectory(base);

    fs::path root;
    {
        const PrivateProfile profile(seed_);
        root = profile.UserInstallation().parent_path();
        EXPECT_EQ(root.parent_path(), UsersDirectory(base));
        EXPECT_TRUE(fs::exists(profile.UserInstallation() / "user/registrymodifications.xcu"));
    }
    EXPECT_FALSE(fs::exists(root));
    if (c.subdirectory != nullptr) {
        EXPECT_TRUE(fs::is_empty(base));
    }
}

INSTANTIATE_TEST_SUITE_P(Bases, ProfilePlaceSafe,
                         ::testing::Values(SafeBase{"Tmp", nullptr, 0},
                                           SafeBase{"OwnPrivate", "own", 0700},
                                           SafeBase{"SharedSticky", "shared", 01777}),
                         [](const auto& info) { return std::string(info.param.name); });

// What a run killed at any moment leaves, beside what live runs and other users have.
struct Leftover {
    const char* name;
    std::vector<const char*> files;
    bool changedLongAgo;
    // The lock file that a live run holds, if any.
    const char* held;
    bool removed;
};

TEST_F(ProfilePlaceTest, TheNextProfileRemovesWhatKilledRunsLeftAndNothingElse) {
    const fs::path base = Make(scratch_ / "shared", 01777);
    const fs::path users = Make(UsersDirectory(base), 0700);
    UseAsTemporaryDirectory(base);
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
        if (leftover.held != nullptr) {
            held.emplace_back(open((directory / leftover.held).c_str(), O_RDWR | O_CLOEXEC));
            ASSERT_EQ(flock(held.back().get(), LOCK_EX | LOCK_NB), 0);
        }
        if (leftover.changedLongAgo) {
            const timespec anHourAgo{time(nullptr) - 3600, 0};
            const timespec times[2] = {anHourAgo, anHourAgo};
            ASSERT_EQ(utimensat(AT_FDCWD, directory.c_str(), times, 0), 0);
        }
    }
    // Another user's look-alike in the shared directory, seemingly dead.
    const fs::path other = base / "secant-root-dEc0y1";
    if (geteuid() == 0) {
        std::ofstream(Make(other, 0700) / "lock").put('\n');
        fs::permissions(other, fs::perms::owner_all);
        EXPECT_EQ(chown(other.c_str(), kNobody, static_cast<gid_t>(-1)), 0);
    }

    { const PrivateProfile next(seed_); }

    for (const Leftover& leftover : leftovers) {
        EXPECT_EQ(fs::exists(users / leftover.name), !leftover.removed) << leftover.name;
    }
    EXPECT_EQ(fs::exists(other), geteuid() == 0) << "another user's directory was removed";
}

// The sweep reads only this user's directory: many entries in the shared one cost nothing.
TEST_F(ProfilePlaceTest, CostsTheSameBesideManyLookAlikes) {
    const fs::path base = Make(scratch_ / "shared", 01777);
    UseAsTemporaryDirectory(base);
    const auto fastest = [&] {
        auto best = std::chrono::steady_clock::duration::max();
        for (int run = 0; run < 5; ++run) {
            const auto start = std::chrono::steady_clock::now();
            { const PrivateProfile profile(seed_); }
            best = std::min(best, std::chrono::steady_clock::now() - start);
        }
        return best;
    };
    const auto alone = fastest();
    const fs::path original = base / "look-alike";
    std::ofstream(original).put('\n');
    for (int i = 0; i < 20000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "secant-root-%06x", i);
        fs::create_hard_link(original, base / name);
    }

    EXPECT_LT(fastest(), alone + 5ms);
}

}  // namespace
}  // namespace secant_root::testing
