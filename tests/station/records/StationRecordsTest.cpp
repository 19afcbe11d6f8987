#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/Commands.h"
#include "host/HostSystem.h"
#include "support/CommandRun.h"

// The records of every command that logs, and a log that stays a file of
// whole lines whatever happens to it.
namespace zt::cli {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSim = {"--simulate", "--sim-clock"};

test::CommandRun Sim(std::vector<std::string> args) {
    args.insert(args.begin() + 1, kSim.begin(), kSim.end());
    return test::RunArgs(std::move(args));
}

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Every line of the file, each of which must be one JSON object.
std::vector<nlohmann::json> Records(const fs::path& path) {
    const std::string text = Contents(path);
    EXPECT_TRUE(text.empty() || text.back() == '\n') << "the file ends in a torn line";
    std::vector<nlohmann::json> lines;
    std::istringstream split(text);
    for (std::string line; std::getline(split, line);) {
        EXPECT_TRUE(nlohmann::json::accept(line)) << "not a record: " << line;
        lines.push_back(nlohmann::json::parse(line, nullptr, false));
    }
    return lines;
}

class StationRecords : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("zt-records-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        log_ = folder_ / "station.jsonl";
    }
    void TearDown() override {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
        fs::remove_all(folder_);
    }
    fs::path folder_, log_;
    bool mounted_ = false;
};

// erase, read and verify leave a record of their own kind; a failure's
// record carries its code, as a write's does.
TEST_F(StationRecords, EraseReadAndVerifyEachLeaveARecordOfTheirKind) {
    const std::string log = log_.string();
    ASSERT_EQ(Sim({"erase", "--yes", "--log", log}).rc, kExitOk);
    ASSERT_EQ(Sim({"read", (folder_ / "unit.bin").string(), "--log", log}).rc, kExitOk);
    ASSERT_EQ(Sim({"verify", "--image", "B", "--log", log}).rc, kExitJobFailed);
    ASSERT_EQ(Sim({"verify", "--fault", "no-reply", "--log", log}).rc, kExitJobFailed);
    ASSERT_EQ(Sim({"write", "--yes", "--log", log}).rc, kExitOk);

    const auto lines = Records(log_);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0]["kind"], "erase");
    EXPECT_EQ(lines[0]["status"], "OK");
    EXPECT_EQ(lines[1]["kind"], "read");
    EXPECT_EQ(lines[1]["status"], "OK");
    EXPECT_EQ(lines[1]["vidBefore"], "3C4D");
    EXPECT_EQ(lines[2]["kind"], "verify");
    EXPECT_EQ(lines[2]["status"], "FAIL");
    EXPECT_EQ(lines[2]["code"], "00221008");  // the unit holds image A, not B
    // A chip that does not answer is a failure of its identity read, not a
    // chip with identifier 0x0000.
    EXPECT_EQ(lines[3]["status"], "FAIL");
    EXPECT_EQ(lines[3]["code"].get<std::string>().substr(2, 2), "05") << lines[3];
    EXPECT_FALSE(lines[4].contains("kind")) << "a write's record stays as it was";
}

// Every record names the station, erase's and read's too, from the options
// or a settings file a Windows editor saved (byte-order mark first); a bad
// value from the file is named by its file and line.
TEST_F(StationRecords, EveryRecordCarriesTheStationIdentity) {
    const fs::path config = folder_ / "station.conf";
    std::ofstream(config) << "\xEF\xBB\xBFstation-id = \"line-4 # east\" # a comment\noperator = Bo\n";
    const std::string log = log_.string();
    ASSERT_EQ(Sim({"erase", "--yes", "--config", config.string(), "--work-order", "W-7", "--log", log}).rc,
              kExitOk);
    ASSERT_EQ(Sim({"read", (folder_ / "unit.bin").string(), "--config", config.string(), "--operator", "Ana",
                   "--log", log})
                  .rc,
              kExitOk);
    const auto lines = Records(log_);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["kind"], "erase");
    EXPECT_EQ(lines[0]["stationId"], "line-4 # east");
    EXPECT_EQ(lines[0]["operator"], "Bo");
    EXPECT_EQ(lines[0]["workOrder"], "W-7");
    EXPECT_EQ(lines[1]["stationId"], "line-4 # east");
    EXPECT_EQ(lines[1]["operator"], "Ana");

    std::ofstream(config) << "# line 1\noperator = B\ao\n";
    const auto bad = Sim({"write", "--yes", "--config", config.string()});
    EXPECT_EQ(bad.rc, kExitUsage);
    EXPECT_NE(bad.err.find(config.string() + " line 2: operator"), std::string::npos) << bad.err;
}

// A full disk tears the line being written. The tool says why (not a stale
// errno), takes the fragment back, and once there is space again the next
// job's line stands on its own: every line of the file parses. A fragment
// left by a tool killed mid-write is cut when the log is next opened.
TEST_F(StationRecords, AFullDiskNeverLeavesATornLineBehind) {
    if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    mounted_ = true;
    // One earlier record, padded to end a little short of its page, then
    // every other page taken: the next line fits only in part.
    {
        std::ofstream earlier(log_);
        earlier << "{\"pad\":\"" << std::string(4096 - 200 - 11, 'x') << "\"}\n";
    }
    {
        std::ofstream filler(folder_ / "filler");
        const std::string block(4096, 'f');
        while (filler.write(block.data(), block.size()) && filler.flush()) {
        }
    }
    const auto full = Sim({"write", "--yes", "--log", log_.string()});
    EXPECT_EQ(full.rc, kExitIoError);
    EXPECT_NE(full.err.find(std::strerror(ENOSPC)), std::string::npos) << full.err;
    EXPECT_EQ(Records(log_).size(), 1u);

    fs::remove(folder_ / "filler");
    {
        std::ofstream killed(log_, std::ios::app);
        killed << "{\"schema\":1,\"record\":\"job\",\"st";
    }
    ASSERT_EQ(Sim({"write", "--yes", "--log", log_.string()}).rc, kExitOk);
    ASSERT_EQ(Sim({"erase", "--yes", "--log", log_.string()}).rc, kExitOk);
    const auto lines = Records(log_);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1]["status"], "OK");
    EXPECT_EQ(lines[2]["kind"], "erase");
}

// Anything but a regular file is refused at once, in one line, before any
// unit is touched: a FIFO would otherwise wait for a reader for ever. An
// empty name is a bad command line, not "no log".
TEST_F(StationRecords, ALogThatIsNoRegularFileIsRefusedAtOnce) {
    const fs::path fifo = folder_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string command : {"write", "erase", "read", "verify"}) {
        std::vector<std::string> args{command, "--yes", "--log"};
        if (command == "read" || command == "verify") args.erase(args.begin() + 1);
        if (command == "read") args.insert(args.begin() + 1, (folder_ / "unit.bin").string());
        for (const std::string& target : {fifo.string(), folder_.string(), std::string("/dev/null")}) {
            auto with = args;
            with.push_back(target);
            const auto run = Sim(with);
            EXPECT_EQ(run.rc, kExitIoError) << command << " " << target << run.err;
            EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
            EXPECT_EQ(run.ErrLines().size(), 1u) << run.err;
            EXPECT_EQ(run.out, "") << command << " " << target;
        }
        auto empty = args;
        empty.push_back("");
        EXPECT_EQ(Sim(empty).rc, kExitUsage) << command;
    }
}

// A symbolic link another user planted where the log or a saved unit goes
// is not followed; the user's own link is.
TEST_F(StationRecords, ALinkOfAnotherUserIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "handing a link to another user needs root";
    const fs::path target = folder_ / "victim";
    std::ofstream(target) << "{\"keep\":1}\n";
    const fs::path planted = folder_ / "planted";
    fs::create_symlink(target, planted);
    ASSERT_EQ(::lchown(planted.c_str(), 4242, 4242), 0);

    const auto logged = Sim({"write", "--yes", "--log", planted.string()});
    EXPECT_EQ(logged.rc, kExitIoError);
    EXPECT_NE(logged.err.find("symbolic link of another user"), std::string::npos) << logged.err;
    const auto saved = Sim({"read", planted.string()});
    EXPECT_EQ(saved.rc, kExitIoError) << saved.err;
    EXPECT_EQ(Contents(target), "{\"keep\":1}\n");

    // My own link to the planted one; a folder link and a folder of another
    // user on the way to a file of mine.
    const fs::path chain = folder_ / "chain";
    fs::create_symlink(planted, chain);
    fs::create_directories(folder_ / "real");
    const fs::path folderLink = folder_ / "folder-link";
    fs::create_symlink(folder_ / "real", folderLink);
    ASSERT_EQ(::lchown(folderLink.c_str(), 65534, 65534), 0);
    const fs::path theirs = folder_ / "theirs";
    fs::create_directories(theirs);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    for (const fs::path& path : {chain, folderLink / "station.jsonl", theirs / "station.jsonl"}) {
        const auto viaPath = Sim({"write", "--yes", "--log", path.string()});
        EXPECT_EQ(viaPath.rc, kExitIoError) << path;
        EXPECT_NE(viaPath.err.find("of another user (uid"), std::string::npos) << viaPath.err;
        EXPECT_EQ(Sim({"read", path.string()}).rc, kExitIoError) << path;
    }
    EXPECT_EQ(Contents(target), "{\"keep\":1}\n");
    EXPECT_FALSE(fs::exists(folder_ / "real" / "station.jsonl"));
    EXPECT_FALSE(fs::exists(theirs / "station.jsonl"));

    const fs::path own = folder_ / "own";
    fs::create_symlink(target, own);
    EXPECT_EQ(Sim({"write", "--yes", "--log", own.string()}).rc, kExitOk);
    EXPECT_EQ(Records(target).size(), 2u);
}

// A tool that opens the log while another appender is in the middle of a
// line (holding the log's lock) waits for it: the line is not cut, nor are
// the lines after it.
TEST_F(StationRecords, OpeningTheLogNeverCutsALineStillBeingWritten) {
    const int writer = ::open(log_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);
    const std::string head = "{\"writer\":0,";
    ASSERT_EQ(::write(writer, head.data(), head.size()), static_cast<ssize_t>(head.size()));

    std::atomic<bool> opened{false};
    std::thread opener([&] {
        std::string error;
        const auto log = OpenAppendOnlyFile(log_.string(), &error);
        opened = true;
        ASSERT_NE(log, nullptr) << error;
        EXPECT_TRUE(log->Append("{\"opener\":1}\n", &error)) << error;
    });
    // Until the opener either waits on the lock or has got past it.
    struct stat st {};
    ASSERT_EQ(::fstat(writer, &st), 0);
    const std::string inode = ":" + std::to_string(st.st_ino) + " ";
    auto waiting = [&] {
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);)
            if (line.find("->") != std::string::npos && line.find(inode) != std::string::npos) return true;
        return false;
    };
    while (!opened && !waiting()) std::this_thread::yield();

    std::string rest = "\"line\":0}\n";
    for (int i = 1; i < 200; ++i) rest += "{\"writer\":" + std::to_string(i) + "}\n";
    ASSERT_EQ(::write(writer, rest.data(), rest.size()), static_cast<ssize_t>(rest.size()));
    ASSERT_EQ(::flock(writer, LOCK_UN), 0);
    opener.join();
    ::close(writer);
    const auto lines = Records(log_);
    ASSERT_FALSE(HasFailure()) << "a line was cut";
    ASSERT_EQ(lines.size(), 201u);
    EXPECT_EQ(lines[0]["line"], 0);
    EXPECT_EQ(lines[200]["opener"], 1);
}

}  // namespace
}  // namespace zt::cli
