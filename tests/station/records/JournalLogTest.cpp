#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "station/records/JournalRecord.h"
#include "support/CommandRun.h"

// --log journal, end to end. sd_journal_send() always writes to
// /run/systemd/journal/socket and honours no variable that would move it,
// so the tool runs in a mount namespace of its own (a user namespace makes
// that possible without root) where a tmpfs on /run holds a socket this
// test bound: the real libsystemd in the real tool sends, and the test reads
// the datagrams it sent, field by field. Nothing reaches the machine's own
// journal. Where a journald does run, a second test reads the entry back
// through journalctl.
namespace zt::cli {
namespace {

namespace fs = std::filesystem;
using Entry = std::map<std::string, std::string>;

constexpr int kNoNamespace = 77;

// The journal's native protocol: "NAME=value\n", or for a value with a
// newline "NAME\n", its length as 64-bit little endian, the value and "\n".
Entry ParseDatagram(const std::string& data) {
    Entry entry;
    size_t at = 0;
    while (at < data.size()) {
        const size_t newline = data.find('\n', at);
        const std::string line = data.substr(at, newline - at);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            entry[line.substr(0, equals)] = line.substr(equals + 1);
            at = newline + 1;
            continue;
        }
        uint64_t length = 0;
        std::memcpy(&length, data.data() + newline + 1, 8);
        entry[line] = data.substr(newline + 9, length);
        at = newline + 9 + length + 1;
    }
    return entry;
}

bool WriteAll(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n <= 0) return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

// Runs each command line of the tool in a fresh mount namespace whose
// /run/systemd/journal/socket is ours; returns the datagrams received.
// Only system calls between fork() and exec(): the test process has threads.
std::vector<std::string> RunWithOwnJournal(const std::vector<std::vector<std::string>>& runs, int* rc) {
    std::vector<std::vector<const char*>> argvs;
    for (const auto& args : runs) {
        argvs.emplace_back();
        argvs.back().push_back(ZT_CLI_PATH);
        for (const auto& a : args) argvs.back().push_back(a.c_str());
        argvs.back().push_back(nullptr);
    }
    const std::string uidMap = "0 " + std::to_string(::getuid()) + " 1\n";
    const std::string gidMap = "0 " + std::to_string(::getgid()) + " 1\n";
    static std::vector<char> buffer(1 << 20);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        auto writeFile = [](const char* path, const std::string& text) {
            const int fd = ::open(path, O_WRONLY);
            if (fd < 0) return false;
            const bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
            ::close(fd);
            return ok;
        };
        if (::unshare(CLONE_NEWNS) != 0) {
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ::_exit(kNoNamespace);
            writeFile("/proc/self/setgroups", "deny");
            if (!writeFile("/proc/self/uid_map", uidMap) || !writeFile("/proc/self/gid_map", gidMap))
                ::_exit(kNoNamespace);
        }
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("zt-test-run", "/run", "tmpfs", 0, "mode=0755") != 0 ||
            ::mkdir("/run/systemd", 0755) != 0 || ::mkdir("/run/systemd/journal", 0755) != 0)
            ::_exit(kNoNamespace);
        const int sock = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, "/run/systemd/journal/socket");
        if (sock < 0 || ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ::_exit(3);
        int status = 0;
        for (auto& argv : argvs) {
            const pid_t tool = ::fork();
            if (tool == 0) {
                ::execv(ZT_CLI_PATH, const_cast<char* const*>(argv.data()));
                ::_exit(127);
            }
            int toolStatus = 0;
            ::waitpid(tool, &toolStatus, 0);
            status = status * 256 + (WIFEXITED(toolStatus) ? WEXITSTATUS(toolStatus) : 255);
        }
        WriteAll(pipeFds[1], &status, sizeof status);
        for (;;) {
            const ssize_t n = ::recv(sock, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n < 0) break;
            const uint32_t length = uint32_t(n);
            if (!WriteAll(pipeFds[1], &length, sizeof length) || !WriteAll(pipeFds[1], buffer.data(), length))
                ::_exit(4);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string received;
    char chunk[65536];
    for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;) received.append(chunk, size_t(n));
    ::close(pipeFds[0]);
    int childStatus = 0;
    ::waitpid(child, &childStatus, 0);
    *rc = WIFEXITED(childStatus) ? WEXITSTATUS(childStatus) : -1;
    std::vector<std::string> datagrams;
    if (*rc != 0 || received.size() < sizeof(int)) return datagrams;
    int toolStatus = 0;
    std::memcpy(&toolStatus, received.data(), sizeof toolStatus);
    *rc = toolStatus == 0 ? 0 : 1000 + toolStatus;
    for (size_t at = sizeof(int); at + 4 <= received.size();) {
        uint32_t length = 0;
        std::memcpy(&length, received.data() + at, 4);
        datagrams.push_back(received.substr(at + 4, length));
        at += 4 + length;
    }
    return datagrams;
}

// Every member of the file's line is in the journal entry under its field
// name, with the same text.
void ExpectEntryMatchesLine(const Entry& entry, const std::string& line) {
    const auto record = nlohmann::ordered_json::parse(line);
    EXPECT_EQ(entry.at("MESSAGE_ID"), station::kJobRecordMessageId);
    EXPECT_EQ(entry.at("SYSLOG_IDENTIFIER"), "zt51xx-mp");
    EXPECT_EQ(entry.at("ZT_JSON"), line);
    EXPECT_EQ(entry.at("PRIORITY"), record["status"] == "OK" ? "6" : "4");
    EXPECT_NE(entry.at("MESSAGE").find(record["status"].get<std::string>()), std::string::npos);
    const std::map<std::string, std::string> names = {{"status", "ZT_RESULT"},
                                                      {"port", "ZT_PORT"},
                                                      {"code", "ZT_CODE"},
                                                      {"imageSha256", "ZT_IMAGE_SHA256"},
                                                      {"imageRelease", "ZT_IMAGE_RELEASE"},
                                                      {"durationMs", "ZT_DURATION_MS"},
                                                      {"vidBefore", "ZT_VID_BEFORE"},
                                                      {"chipId", "ZT_CHIP_ID"},
                                                      {"rewritePasses", "ZT_REWRITE_PASSES"},
                                                      {"bcdDevice", "ZT_BCD_DEVICE"},
                                                      {"host", "ZT_HOST"},
                                                      {"schema", "ZT_SCHEMA"},
                                                      {"record", "ZT_RECORD"},
                                                      {"start", "ZT_START"},
                                                      {"end", "ZT_END"},
                                                      {"tool", "ZT_TOOL"},
                                                      {"vidAfter", "ZT_VID_AFTER"},
                                                      {"pidBefore", "ZT_PID_BEFORE"},
                                                      {"pidAfter", "ZT_PID_AFTER"},
                                                      {"serial", "ZT_SERIAL"},
                                                      {"image", "ZT_IMAGE"},
                                                      {"name", "ZT_NAME"},
                                                      {"meaning", "ZT_MEANING"},
                                                      {"portNote", "ZT_PORT_NOTE"}};
    for (const auto& [member, value] : record.items()) {
        const auto field = names.find(member);
        ASSERT_NE(field, names.end()) << "a member this test does not know: " << member;
        if (value.is_null()) {
            EXPECT_EQ(entry.count(field->second), 0u) << member;
            continue;
        }
        ASSERT_EQ(entry.count(field->second), 1u) << member;
        EXPECT_EQ(entry.at(field->second), value.is_string() ? value.get<std::string>() : value.dump())
            << member;
    }
}

std::vector<std::string> FileLines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(JournalLog, EachRecordReachesTheJournalWithEveryFieldBesideTheFile) {
    const fs::path log = fs::temp_directory_path() / ("zt-journal-" + std::to_string(::getpid()) + ".log");
    fs::remove(log);
    int rc = 0;
    const auto datagrams = RunWithOwnJournal(
        {{"write", "--simulate", "--sim-clock", "--yes", "--log", "journal", "--log", log.string()},
         {"write", "--simulate", "--sim-clock", "--yes", "--fault", "refuse-open", "--log", log.string(),
          "--log", "journal"}},
        &rc);
    if (rc == kNoNamespace)
        GTEST_SKIP() << "no mount namespace can be made here; the journal socket is not ours";
    // The first job passed (0), the second failed (1).
    ASSERT_EQ(rc, 1000 + 1) << "the tool's exit codes, or the namespace helper's own failure";
    const auto lines = FileLines(log);
    fs::remove(log);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(datagrams.size(), 2u);
    for (size_t i = 0; i < 2; ++i) ExpectEntryMatchesLine(ParseDatagram(datagrams[i]), lines[i]);
    const Entry failed = ParseDatagram(datagrams[1]);
    EXPECT_EQ(failed.at("ZT_RESULT"), "FAIL");
    EXPECT_EQ(failed.at("ZT_CODE"), "00030401");
    EXPECT_EQ(ParseDatagram(datagrams[0]).at("ZT_RESULT"), "OK");
}

TEST(JournalLog, WithoutAJournalTheJobIsRefusedBeforeItStarts) {
    if (fs::exists("/run/systemd/journal/socket"))
        GTEST_SKIP() << "a journal runs here; refusal not testable";
    const test::CommandRun run =
        test::RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--json", "--log", "journal"});
    EXPECT_EQ(run.rc, kExitIoError);
    EXPECT_TRUE(run.out.empty()) << run.out;  // nothing was sent to the unit
    EXPECT_NE(run.err.find("cannot log to the journal"), std::string::npos) << run.err;

    const test::CommandRun twoFiles =
        test::RunArgs({"write", "--simulate", "--log", "a.log", "--log", "b.log"});
    EXPECT_EQ(twoFiles.rc, kExitUsage);
}

// Where journald runs (a developer's machine), the entry is read back
// with journalctl by its MESSAGE_ID and the tool's process ID.
TEST(JournalLog, JournalctlFindsTheJob) {
    if (!fs::exists("/run/systemd/journal/socket") || !fs::exists("/usr/bin/journalctl"))
        GTEST_SKIP() << "no journald runs here";
    const pid_t tool = ::fork();
    if (tool == 0) {
        ::execl(ZT_CLI_PATH, ZT_CLI_PATH, "write", "--simulate", "--sim-clock", "--yes", "--log", "journal",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(tool, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string command =
        "journalctl -o json --no-pager MESSAGE_ID=" + std::string(station::kJobRecordMessageId) +
        " _PID=" + std::to_string(tool);
    std::string output;
    // journald takes the entry at once but may write it a moment later.
    for (int attempt = 0; attempt < 50 && output.empty(); ++attempt) {
        if (attempt > 0) ::usleep(100000);
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
        ::pclose(pipe);
    }
    if (output.empty()) GTEST_SKIP() << "journald keeps no entries of this user";
    const auto entry = nlohmann::json::parse(output.substr(0, output.find('\n')));
    EXPECT_EQ(entry["ZT_RESULT"], "OK");
    EXPECT_EQ(entry["ZT_JSON"].is_string(), true);
}

}  // namespace
}  // namespace zt::cli
