#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "chip/EepromImage.h"
#include "chip/ImageLayout.h"
#include "cli/Commands.h"

extern char** environ;

// The built tool in a child process, for what only a whole process shows:
// its standard descriptors, its signals and the pipe it prints into.
namespace zt::cli {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

// How one of the child's descriptors 0, 1, 2 starts; the pipes are for stdout.
enum class Stream { Closed, DevNull, DevZero, Pipe, BrokenPipe };

class Child {
public:
    Child(std::vector<std::string> args, std::array<Stream, 3> streams) {
        args.insert(args.begin(), ZT_CLI_PATH);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int ends[2] = {-1, -1};
        std::vector<int> writeEnds;  // the child's; closed here once it has them
        for (int fd = 0; fd < 3; ++fd) {
            if (streams[fd] == Stream::Closed) posix_spawn_file_actions_addclose(&actions, fd);
            if (streams[fd] == Stream::DevNull)
                posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
            if (streams[fd] == Stream::DevZero)
                posix_spawn_file_actions_addopen(&actions, fd, "/dev/zero", O_RDONLY, 0);
            if (streams[fd] != Stream::Pipe && streams[fd] != Stream::BrokenPipe) continue;
            EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
            posix_spawn_file_actions_adddup2(&actions, ends[1], fd);
            // BrokenPipe: nobody will ever read what the child prints.
            if (streams[fd] == Stream::Pipe)
                pipes_[fd] = ends[0];
            else
                ::close(ends[0]);
            writeEnds.push_back(ends[1]);
        }
        // Whatever our own launcher ignores, the child starts with the defaults.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t signals;
        sigemptyset(&signals);
        for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
        posix_spawnattr_setsigdefault(&attributes, &signals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ), 0);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        for (int end : writeEnds) ::close(end);
    }
    ~Child() {
        if (pid > 0) Kill();
        for (int fd : pipes_)
            if (fd >= 0) ::close(fd);
    }

    // The exit code, 1000 + the signal that ended it, or -1 when it still ran
    // after 20 s (then it is killed).
    int Wait() {
        const auto until = std::chrono::steady_clock::now() + 20s;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) return Kill(), -1;
            std::this_thread::sleep_for(2ms);
        }
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    // What the child printed on `fd` (by default the first one piped), up to
    // its end.
    std::string Out(int fd = -1) {
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(Pipe(fd), buffer, sizeof buffer)) > 0;) text.append(buffer, n);
        return text;
    }

    // Reads the piped stdout until `text` has appeared (true), or the child
    // closed it or 20 s passed (false).
    bool ReadUntil(const std::string& text) {
        const auto until = std::chrono::steady_clock::now() + 20s;
        char buffer[4096];
        while (seen_.find(text) == std::string::npos) {
            pollfd ready{pipes_[1], POLLIN, 0};
            if (std::chrono::steady_clock::now() > until || ::poll(&ready, 1, 100) < 0) return false;
            if (ready.revents == 0) continue;
            const ssize_t n = ::read(pipes_[1], buffer, sizeof buffer);
            if (n <= 0) return false;
            seen_.append(buffer, static_cast<size_t>(n));
        }
        return true;
    }
    // Everything read from stdout so far and up to its end.
    std::string AllOut() { return seen_ + Out(1); }

    // Once the child has its own handler for `signal`, the signal asks it for
    // an orderly close instead of ending it.
    bool WaitUntilCatches(int signal) {
        for (int i = 0; i < 5000; ++i, std::this_thread::sleep_for(2ms)) {
            std::ifstream status("/proc/" + std::to_string(pid) + "/status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind("SigCgt:", 0) == 0 &&
                    ((std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1))
                    return true;
        }
        return false;
    }

    std::string Descriptor(int fd) const {
        char target[256] = {};
        const std::string link = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
        return ::readlink(link.c_str(), target, sizeof target - 1) > 0 ? target : "(closed)";
    }

    pid_t pid = -1;

private:
    void Kill() {
        ::kill(pid, SIGKILL);
        ::waitpid(std::exchange(pid, -1), nullptr, 0);
    }

    int Pipe(int fd) const {
        if (fd >= 0) return pipes_[fd];
        for (int end : pipes_)
            if (end >= 0) return end;
        return -1;
    }

    int pipes_[3] = {-1, -1, -1};
    std::string seen_;
};

// A file of the test's own in the temporary folder, removed with it.
struct TempPath {
    explicit TempPath(const std::string& name)
        : path((std::filesystem::temp_directory_path() /
                ("zt-process-" + std::to_string(::getpid()) + "-" + name))
                   .string()) {}
    ~TempPath() { std::filesystem::remove(path); }
    const std::string path;
};

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

size_t RecordAt(const std::vector<uint8_t>& bytes, std::string_view tag) {
    return static_cast<size_t>(std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end()) -
                               bytes.begin());
}

TEST(CliProcess, AnImageThatDoesNotFitTheUnitIsRefusedInOneLineBeforeTheErase) {
    // The image decides which IDs the written unit comes up with. A unit
    // written with IDs the tool never looks for could not be found again.
    // On the A chip, only what marks variant B keeps a sound file off it: B's
    // image, a release of B's series, B's product string.
    const std::vector<uint8_t> a(kImageA.begin(), kImageA.end());
    const size_t fw = RecordAt(a, image::kFirmwareTag);
    const size_t hs = RecordAt(a, image::kHsDescriptorTag) + image::kTagSize;
    const size_t fs = RecordAt(a, image::kFsDescriptorTag) + image::kTagSize;
    ASSERT_LT(std::max({fw, hs, fs}), a.size());
    constexpr size_t kIdProduct = 10, kBcdDevice = 12;  // in a device descriptor
    constexpr size_t kFwRelease = 18, kFwHsProduct = 22, kFwDeviceRelease = 26;
    auto release = [&](std::vector<uint8_t>& b, uint16_t value) {
        for (const size_t at : {RecordAt(b, image::kFirmwareTag) + kFwRelease,
                                RecordAt(b, image::kFirmwareTag) + kFwDeviceRelease,
                                RecordAt(b, image::kHsDescriptorTag) + image::kTagSize + kBcdDevice,
                                RecordAt(b, image::kFsDescriptorTag) + image::kTagSize + kBcdDevice})
            Put16(b, at, value);
    };

    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> change;
        int rc;
        std::string refusal;  // "" for an image that is written
    };
    const Case cases[] = {
        {"blank tail IDs",
         [](auto& b) {
             Put16(b, image::kTailVendorId, 0xFFFF);
             Put16(b, image::kTailProductId, 0xFFFF);
         },
         kExitUsage, "IDs: the tail block names FFFF:FFFF, which no unit can be found under"},
        {"only the required records",
         [&](auto& b) {
             std::vector<uint8_t> bare(b.size(), 0);
             std::copy_n(b.begin(), image::kHeaderSize, bare.begin());
             for (const auto& [at, size] :
                  {std::pair{fw, image::kFirmwareRecordSize},
                   std::pair{RecordAt(b, image::kChipClassTag), image::kChipClassRecordSize},
                   std::pair{hs - image::kTagSize, size_t{36}}})
                 std::copy_n(b.begin() + static_cast<long>(at), size, bare.begin() + static_cast<long>(at));
             b = bare;  // the high-speed record: its tag, device and qualifier descriptors
         },
         kExitUsage, "IDs: the tail block names 0000:0000, which no unit can be found under"},
        {"descriptor against tail", [&](auto& b) { Put16(b, hs + kIdProduct, 0x7350); }, kExitUsage,
         "descriptors: the high-speed device descriptor names 3C4D:7350, the tail block 3C4D:7351"},
        {"releases", [&](auto& b) { Put16(b, fs + kBcdDevice, 0x0102); }, kExitUsage,
         "descriptors: the device releases differ (high-speed 0101, full-speed 0102, firmware record 0101)"},
        {"unknown device",
         [&](auto& b) {
             for (const size_t at : {size_t{image::kTailProductId}, hs + kIdProduct, fw + kFwHsProduct})
                 Put16(b, at, 0x1234);
         },
         kExitUsage, "known devices: the tail block names 3C4D:1234, a device the tool does not look for"},
        {"other variant's image", [](auto& b) { b.assign(kImageB.begin(), kImageB.end()); }, kExitJobFailed,
         "built-in image: the file is image B, the image of the other chip variant"},
        {"other release series", [&](auto& b) { release(b, 0x0201); }, kExitJobFailed,
         "release: the file's release 0201 is of chip B's series 02xx"},
        {"B's product string",
         [&](auto& b) {
             b.assign(kImageB.begin(), kImageB.end());
             release(b, 0x0101);
         },
         kExitJobFailed, "product string: the file's \"ZT5160B USB Audio\" is chip B's"},
        // A later release of the chip's own series is what a new image is,
        // and so is an engineer's release outside both series.
        {"next release", [&](auto& b) { release(b, 0x0102); }, kExitOk, ""},
        {"release 0300", [&](auto& b) { release(b, 0x0300); }, kExitOk, ""},
        {"release 1000", [&](auto& b) { release(b, 0x1000); }, kExitOk, ""},
    };
    const TempPath file("image.bin");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = a;
        c.change(bytes);
        Save(file.path, bytes);
        Child child({"write", "--simulate", "--sim-clock", "--yes", "--image", file.path},
                    {Stream::DevNull, Stream::Pipe, Stream::Pipe});
        EXPECT_EQ(child.Wait(), c.rc);
        const std::string out = child.Out(1);
        EXPECT_EQ(child.Out(2),
                  c.refusal.empty() ? "" : "zt51xx-mp: " + file.path + " refused, " + c.refusal + "\n");
        // Refused before the job began: nothing was erased.
        if (!c.refusal.empty()) {
            EXPECT_THAT(out, Not(HasSubstr("Writing the EEPROM")));
        }
    }
}

TEST(CliProcess, SighupClosesAJobLikeSigtermWithItsRecordAndResult) {
    // The SSH session of the station is gone: the job still ends in order,
    // its log line on disk and its result printed, and the exit code says
    // which signal it was.
    const TempPath log("hup.log");
    Child child({"write", "--simulate", "--yes", "--json", "--log", log.path},
                {Stream::DevNull, Stream::Pipe, Stream::DevNull});
    ASSERT_TRUE(child.ReadUntil("\"event\":\"progress\""));
    ::kill(child.pid, SIGHUP);
    EXPECT_EQ(child.Wait(), kExitHangup);
    const std::string out = child.AllOut();
    const size_t result = out.rfind("{\"event\":\"result\"");
    ASSERT_NE(result, std::string::npos) << out;
    EXPECT_THAT(out.substr(result), HasSubstr("\"status\":\"INTERRUPTED\""));
    std::ifstream in(log.path);
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_THAT(line, HasSubstr("\"status\":\"INTERRUPTED\""));
    // The unit the stopped job had opened is named all the same.
    EXPECT_THAT(line, HasSubstr("\"vidBefore\":\"3C4D\""));
}

TEST(CliProcess, ReadIntoAFifoNeitherWaitsForeverNorSwallowsSigterm) {
    const TempPath fifo("unit.fifo");
    ASSERT_EQ(::mkfifo(fifo.path.c_str(), 0600), 0);
    {
        // Nobody reads it: refused at once.
        Child child({"read", fifo.path, "--simulate", "--sim-clock"},
                    {Stream::DevNull, Stream::DevNull, Stream::Pipe});
        EXPECT_EQ(child.Wait(), kExitIoError);
        EXPECT_THAT(child.Out(), ::testing::EndsWith("zt51xx-mp: cannot write " + fifo.path +
                                                     ": nobody has it open for reading\n"));
    }
    // A reader that takes nothing, with less room in the pipe than the
    // EEPROM: the tool waits for room, and the first SIGTERM ends it.
    const int reader = ::open(fifo.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_GE(::fcntl(reader, F_SETPIPE_SZ, 4096), 0);
    Child child({"read", fifo.path, "--simulate", "--sim-clock"},
                {Stream::DevNull, Stream::DevNull, Stream::Pipe});
    int queued = 0;
    for (int i = 0; i < 5000 && queued < 4096; ++i, std::this_thread::sleep_for(2ms))
        ASSERT_EQ(::ioctl(reader, FIONREAD, &queued), 0);
    ASSERT_EQ(queued, 4096);
    ::kill(child.pid, SIGTERM);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(child.Wait(), kExitTerminated);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_THAT(child.Out(), HasSubstr("interrupted"));
    ::close(reader);
}

TEST(CliProcess, ClosedDescriptorsGetDevNullAndSigtermEndsAWaitingQuery) {
    // A closed 0, 1 or 2 would be handed to the next socket or file the tool
    // opens: the device-notice socket read as the operator's answer. A query
    // on a chip that never answers waits in a 5-second read (real time here);
    // SIGTERM ends it at once, with the code a shell gives for SIGTERM.
    Child child({"version", "--simulate", "--fault", "no-reply"},
                {Stream::Closed, Stream::Closed, Stream::Closed});
    ASSERT_TRUE(child.WaitUntilCatches(SIGTERM));
    for (int fd = 0; fd < 3; ++fd) EXPECT_EQ(child.Descriptor(fd), "/dev/null") << fd;
    ::kill(child.pid, SIGTERM);
    EXPECT_EQ(child.Wait(), kExitTerminated);
}

TEST(CliProcess, EraseFromAScriptWithoutYesIsRefusedBeforeTheUnit) {
    // `echo n | zt51xx-mp erase`: input that is no terminal is no consent.
    Child child({"erase", "--simulate", "--sim-clock"}, {Stream::DevNull, Stream::DevNull, Stream::Pipe});
    EXPECT_EQ(child.Wait(), kExitUsage);
    EXPECT_EQ(child.Out(), "zt51xx-mp: erase without a terminal needs --yes; nothing was erased\n");
}

TEST(CliProcess, PromptReadsOneBoundedLineOfEndlessInput) {
    // /dev/zero never ends a line; the re-plug prompt must still return.
    Child child({"write", "--simulate", "--sim-clock"}, {Stream::DevZero, Stream::Pipe, Stream::DevNull});
    EXPECT_EQ(child.Wait(), kExitOk);
    EXPECT_THAT(child.Out(), ::testing::HasSubstr("Press Enter to continue...\n"));
}

TEST(CliProcess, BrokenOutputNeverStopsAJob) {
    // The reader of stdout is gone before the first line: the job still runs
    // to its end, and the exit code is its outcome.
    for (const auto& [extra, code] :
         {std::pair{std::vector<std::string>{}, kExitOk},
          std::pair{std::vector<std::string>{"--json"}, kExitOk},
          std::pair{std::vector<std::string>{"--fault", "header-wont-clear"}, kExitJobFailed}}) {
        std::vector<std::string> args = {"write", "--simulate", "--sim-clock", "--yes"};
        args.insert(args.end(), extra.begin(), extra.end());
        Child child(args, {Stream::DevNull, Stream::BrokenPipe, Stream::DevNull});
        EXPECT_EQ(child.Wait(), code) << args.back();
    }
}

// Two stations started together on one serial file, each with its own log,
// then a third run with a third log: they share the host's serial ledger, so
// no serial goes to two units.
TEST(CliProcess, StationsSharingASerialFileNeverHandOutOneSerialTwice) {
    const std::filesystem::path dir = TempPath("shared-serials").path;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ::setenv("ZT_STATE_DIR", (dir / "state").c_str(), 1);
    std::ofstream(dir / "serials.txt") << "SN0000000001\nSN0000000002\nSN0000000003\nSN0000000004\n"
                                       << "SN0000000005\nSN0000000006\nSN0000000007\nSN0000000008\n";
    auto station = [&](const std::string& log) {
        return std::vector<std::string>{
            "station", "--simulate",         "--sim-clock", "--units",
            "2",       "--stop-after",       "2",           "--json",
            "--log",   (dir / log).string(), "--serial",    "file:" + (dir / "serials.txt").string()};
    };
    {
        Child first(station("a.jsonl"), {Stream::DevNull, Stream::DevNull, Stream::DevNull});
        Child second(station("b.jsonl"), {Stream::DevNull, Stream::DevNull, Stream::DevNull});
        EXPECT_EQ(first.Wait(), 0);
        EXPECT_EQ(second.Wait(), 0);
    }
    Child third(station("c.jsonl"), {Stream::DevNull, Stream::DevNull, Stream::DevNull});
    EXPECT_EQ(third.Wait(), 0);
    ::unsetenv("ZT_STATE_DIR");

    std::vector<std::string> serials;
    for (const char* log : {"a.jsonl", "b.jsonl", "c.jsonl"}) {
        std::ifstream in(dir / log);
        for (std::string line; std::getline(in, line);) {
            const size_t at = line.find("\"serialWritten\":\"");
            if (at != std::string::npos) serials.push_back(line.substr(at + 17, 12));
        }
    }
    std::filesystem::remove_all(dir);
    ASSERT_EQ(serials.size(), 6u);
    std::sort(serials.begin(), serials.end());
    EXPECT_EQ(std::adjacent_find(serials.begin(), serials.end()), serials.end())
        << ::testing::PrintToString(serials);
}

}  // namespace
}  // namespace zt::cli
