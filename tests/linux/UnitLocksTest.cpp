#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/linux/LinuxUnitLocks.h"

namespace zt::platform_linux {
namespace {

struct UnitLocks : ::testing::Test {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zt-unit-locks-" + std::to_string(::getpid()));
    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }
};

TEST_F(UnitLocks, AClaimExcludesOtherJobsHereAndElsewhereUntilItsProcessEnds) {
    LinuxUnitLocks ours(folder.string());
    int ready[2], quit[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(quit), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another process claims the unit and dies holding it.
        LinuxUnitLocks theirs(folder.string());
        const char claimed = theirs.TryClaim("1-2.3").Claimed() ? 'y' : 'n';
        (void)!::write(ready[1], &claimed, 1);
        char go;
        (void)!::read(quit[0], &go, 1);
        std::_Exit(0);
    }
    char claimed = 0;
    ASSERT_EQ(::read(ready[0], &claimed, 1), 1);
    ASSERT_EQ(claimed, 'y');
    EXPECT_EQ(ours.TryClaim("1-2.3").outcome, ClaimOutcome::Held);
    EXPECT_TRUE(ours.TryClaim("1-2.4").Claimed());  // another unit is free

    (void)!::write(quit[1], "q", 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(ours.TryClaim("1-2.3").Claimed());  // a dead job's claim is free

    // A second job in this process, on another object, is refused too.
    LinuxUnitLocks second(folder.string());
    EXPECT_EQ(second.TryClaim("1-2.3").outcome, ClaimOutcome::Held);
    ours.Release("1-2.3");
    EXPECT_TRUE(second.TryClaim("1-2.3").Claimed());
    // Other users take part through a read-only descriptor; nobody else may write the file.
    struct stat st {};
    ASSERT_EQ(::stat(second.LockPath("1-2.3").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    // Whatever this process's umask, the file it makes stays open to them.
    const mode_t umask = ::umask(077);
    EXPECT_TRUE(second.TryClaim("1-2.5").Claimed());
    ::umask(umask);
    ASSERT_EQ(::stat(second.LockPath("1-2.5").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    for (int fd : {ready[0], ready[1], quit[0], quit[1]}) ::close(fd);
}

// Two emulated machines (two umockdev test beds running at once) both have
// a port 1-1: a job on one must not hold the other's unit.
TEST_F(UnitLocks, AnEmulatedMachineKeepsItsClaimsInItsOwnTree) {
    const char* before = std::getenv("UMOCKDEV_DIR");
    const std::string saved = before ? before : "";
    ::setenv("UMOCKDEV_DIR", folder.c_str(), 1);
    const std::string path = LinuxUnitLocks().LockPath("1-1");
    if (before)
        ::setenv("UMOCKDEV_DIR", saved.c_str(), 1);
    else
        ::unsetenv("UMOCKDEV_DIR");
    EXPECT_EQ(path.rfind(folder.string() + "/", 0), 0u) << path;
}

// Without /run/lock the claims go to a folder of the user's own in a shared
// temporary folder; what another user may have put under that name first is
// refused, never followed or taken for a held unit.
TEST_F(UnitLocks, AFolderOfTheUsersOwnIsMadePrivateAndAnythingElseInItsPlaceRefused) {
    const std::filesystem::path own = folder / "zt51xx-mp-own";
    {
        LinuxUnitLocks locks(own.string(), LinuxUnitLocks::FolderUse::PrivateToUser);
        ASSERT_TRUE(locks.TryClaim("1-1").Claimed()) << locks.TryClaim("1-1").reason;
        struct stat st {};
        ASSERT_EQ(::lstat(own.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }

    const std::filesystem::path elsewhere = folder / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    const std::filesystem::path planted = folder / "zt51xx-mp-planted";
    std::filesystem::create_directory_symlink(elsewhere, planted);
    LinuxUnitLocks linked(planted.string(), LinuxUnitLocks::FolderUse::PrivateToUser);
    const UnitClaim refused = linked.TryClaim("1-1");
    EXPECT_EQ(refused.outcome, ClaimOutcome::CannotLock);
    EXPECT_NE(refused.reason.find(planted.string()), std::string::npos) << refused.reason;
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));

    std::filesystem::permissions(own, std::filesystem::perms::group_write,
                                 std::filesystem::perm_options::add);
    LinuxUnitLocks shared(own.string(), LinuxUnitLocks::FolderUse::PrivateToUser);
    EXPECT_EQ(shared.TryClaim("1-2").outcome, ClaimOutcome::CannotLock);

    // Port text that is no port name makes no file anywhere.
    LinuxUnitLocks given(elsewhere.string());
    EXPECT_EQ(given.TryClaim("../../x").outcome, ClaimOutcome::CannotLock);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

}  // namespace
}  // namespace zt::platform_linux
