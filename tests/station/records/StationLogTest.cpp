#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "cli/Commands.h"
#include "host/HostSystem.h"
#include "job/Sha256.h"
#include "support/CommandRun.h"

namespace zt::cli {
namespace {

namespace fs = std::filesystem;

int RunTool(std::vector<std::string> args, std::string* out = nullptr, std::string* err = nullptr) {
    const test::CommandRun run = test::RunArgs(std::move(args));
    if (out) *out = run.out;
    if (err) *err = run.err;
    return run.rc;
}

std::vector<nlohmann::json> LogLines(const fs::path& path) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_TRUE(text.empty() || text.back() == '\n');
    std::vector<nlohmann::json> lines;
    std::istringstream split(text);
    for (std::string line; std::getline(split, line);) {
        EXPECT_TRUE(nlohmann::json::accept(line)) << line;
        lines.push_back(nlohmann::json::parse(line, nullptr, false));
    }
    return lines;
}

class StationLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("zt-station-log-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        log_ = folder_ / "station.jsonl";
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_, log_;
};

TEST_F(StationLogFile, EachJobAppendsOneLineThatTracesTheUnit) {
    ASSERT_EQ(RunTool({"write", "--simulate", "--sim-clock", "--yes", "--log", log_}), kExitOk);
    ASSERT_EQ(
        RunTool({"write", "--simulate", "--sim-clock", "--yes", "--fault", "refuse-open", "--log", log_}),
        kExitJobFailed);
    const auto lines = LogLines(log_);
    ASSERT_EQ(lines.size(), 2u);

    const auto& ok = lines[0];
    EXPECT_EQ(ok["status"], "OK");
    EXPECT_TRUE(ok["code"].is_null());
    EXPECT_EQ(ok["image"], "A");
    EXPECT_EQ(ok["imageSha256"], Sha256Hex(kImageA));
    EXPECT_EQ(ok["vidBefore"], "3C4D");
    EXPECT_EQ(ok["pidBefore"], "7351");
    EXPECT_FALSE(ok["pidAfter"].is_null());
    EXPECT_FALSE(ok["chipId"].is_null());
    EXPECT_EQ(ok["rewritePasses"], 0);
    EXPECT_GE(ok["durationMs"].get<int64_t>(), 0);

    const auto& failed = lines[1];
    EXPECT_EQ(failed["status"], "FAIL");
    EXPECT_EQ(failed["code"], "00030401");
    EXPECT_FALSE(failed["meaning"].get<std::string>().empty());
    // The job never reached a unit: nothing about one is claimed.
    EXPECT_TRUE(failed["vidBefore"].is_null());
    EXPECT_EQ(failed["image"], "");
    EXPECT_EQ(failed["imageSha256"], "");
}

// A header that did not clear, and a restore from its copy that did not take
// either: the restore's own code stands beside the job's in the record and in
// the result event, since the unit's state depends on it.
TEST_F(StationLogFile, AFailedHeaderRestoreKeepsItsOwnCode) {
    std::string out;
    ASSERT_EQ(RunTool({"write", "--simulate", "--sim-clock", "--yes", "--json", "--fault", "stuck=0x0",
                       "--log", log_},
                      &out),
              kExitJobFailed);
    const auto lines = LogLines(log_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["code"], "010A1003");
    EXPECT_EQ(lines[0]["restoreCode"], "01190709");
    const size_t at = out.rfind("{\"event\":\"result\"");
    ASSERT_NE(at, std::string::npos) << out;
    const auto result = nlohmann::json::parse(out.substr(at));
    EXPECT_EQ(result["code"], "010A1003");
    EXPECT_EQ(result["restoreCode"], "01190709");
}

// Several units at once: one line per unit, each naming its own port and
// outcome, in the order of the summary.
TEST_F(StationLogFile, EveryUnitOfAStationRunGetsItsOwnLine) {
    ASSERT_EQ(RunTool({"write", "--all", "--simulate", "--sim-clock", "--units", "3", "--fault",
                       "2:unplug-at=600", "--yes", "--log", log_}),
              kExitJobFailed);
    const auto lines = LogLines(log_);
    ASSERT_EQ(lines.size(), 3u);
    for (size_t unit = 0; unit < 3; ++unit) {
        EXPECT_EQ(lines[unit]["port"], "1-1." + std::to_string(unit + 1));
        EXPECT_EQ(lines[unit]["status"], unit == 1 ? "FAIL" : "OK") << unit;
    }
    EXPECT_EQ(lines[1]["code"], "020F0702");
}

TEST_F(StationLogFile, ALogThatCannotBeOpenedStopsTheJobBeforeItStarts) {
    std::string out, err;
    EXPECT_EQ(RunTool({"write", "--simulate", "--sim-clock", "--yes", "--json", "--log",
                       (folder_ / "no/such/log").string()},
                      &out, &err),
              kExitIoError);
    EXPECT_EQ(out, "");  // not one event: nothing was sent to a unit
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

// The built tool, killed while a third job waits at its re-plug prompt,
// leaves the lines of the two jobs before it whole.
TEST_F(StationLogFile, KillingTheToolBetweenJobsKeepsEveryEarlierLine) {
    auto spawn = [&](bool waitAtPrompt, int* promptOut) {
        int in[2], out[2];
        EXPECT_EQ(::pipe(in), 0);
        EXPECT_EQ(::pipe(out), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            const std::string logPath = log_.string();
            std::vector<const char*> argv = {ZT_CLI_PATH, "write", "--simulate",   "--sim-clock",
                                             "--json",    "--log", logPath.c_str()};
            if (!waitAtPrompt) argv.push_back("--yes");
            argv.push_back(nullptr);
            ::execv(ZT_CLI_PATH, const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        if (!waitAtPrompt) ::close(in[1]);
        *promptOut = in[1];
        return std::make_pair(pid, out[0]);
    };
    auto readAll = [](int fd, const char* until) {
        std::string text;
        char buffer[4096];
        for (ssize_t n; text.find(until) == std::string::npos && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    };

    for (int job = 0; job < 2; ++job) {
        int input = -1;
        const auto [pid, out] = spawn(false, &input);
        readAll(out, "\"event\":\"result\"");
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kExitOk);
        ::close(out);
    }
    int input = -1;
    const auto [pid, out] = spawn(true, &input);
    ASSERT_NE(readAll(out, "\"event\":\"prompt\"").find("\"event\":\"prompt\""), std::string::npos);
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status));
    ::close(input);
    ::close(out);

    const auto lines = LogLines(log_);
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& line : lines) EXPECT_EQ(line["status"], "OK");
}

// A record counts as written only once it is on the disk: a power cut right
// after the result must not lose it. Here every sync fails (a filter of this
// child's system calls), and the append must say so.
TEST_F(StationLogFile, AnAppendThatCannotBeSyncedIsNotWritten) {
    std::string error;
    auto file = OpenAppendOnlyFile(log_.string(), &error);
    ASSERT_TRUE(file) << error;
    ASSERT_TRUE(file->Append("{}\n", &error)) << error;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sock_filter failSync[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fsync, 2, 0),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fdatasync, 1, 0),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
        };
        const sock_fprog program{sizeof failSync / sizeof failSync[0], failSync};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            std::_Exit(2);
        std::string why;
        std::_Exit(file->Append("{}\n", &why) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the append said it was written though its sync failed";
}

}  // namespace
}  // namespace zt::cli
