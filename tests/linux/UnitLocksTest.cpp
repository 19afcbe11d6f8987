#include <gtest/gtest.h>
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
        const char claimed = theirs.TryClaim("1-2.3") ? 'y' : 'n';
        (void)!::write(ready[1], &claimed, 1);
        char go;
        (void)!::read(quit[0], &go, 1);
        std::_Exit(0);
    }
    char claimed = 0;
    ASSERT_EQ(::read(ready[0], &claimed, 1), 1);
    ASSERT_EQ(claimed, 'y');
    EXPECT_FALSE(ours.TryClaim("1-2.3"));
    EXPECT_TRUE(ours.TryClaim("1-2.4"));  // another unit is free

    (void)!::write(quit[1], "q", 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(ours.TryClaim("1-2.3"));  // a dead job's claim is free

    // A second job in this process, on another object, is refused too.
    LinuxUnitLocks second(folder.string());
    EXPECT_FALSE(second.TryClaim("1-2.3"));
    ours.Release("1-2.3");
    EXPECT_TRUE(second.TryClaim("1-2.3"));
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

}  // namespace
}  // namespace zt::platform_linux
