#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "cli/Commands.h"

namespace zt::cli {

using namespace zt::station;
namespace {

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

CliRun RunCli(std::vector<const char*> args) {
    args.insert(args.begin(), "zt51xx-mp");
    std::ostringstream out, err;
    CommandContext ctx{out, err};
    const int rc = RunCommandLine(static_cast<int>(args.size()), args.data(), ctx);
    return {rc, out.str(), err.str()};
}

TEST(ImageCommands, InspectShowsTheScanResultRecordsDescriptorsAndTail) {
    const CliRun run = RunCli({"image", "inspect", "A"});
    ASSERT_EQ(run.exitCode, kExitOk) << run.err;
    for (const char* expected : {
             "firmware ID 4C21, chip class 27, high-speed descriptors present -> passes",
             "reset vector     LJMP 0x0040",
             "0x2205  ZTFwLTag  firmware record",
             "firmwareId      0x4C21",
             "chipClass       0x27",
             "0x224B  ZTHsDTag",
             "bcdUSB 0x0200",
             "bcdUSB 0x0110",
             "idVendor 0x3C4D  idProduct 0x7351  bcdDevice 0x0101",
             "wTotalLength 135 (matches the set)",
             "interface 2 alt 0  class 03/00/00 HID  endpoints 1",
             "endpoint 0x82 IN interrupt",
             "\"ZT5160 USB Audio\"",
             "tail block (0x4000)",
             "productId        0x7351",
             "vendorId         0x3C4D",
         })
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    EXPECT_EQ(run.out.find("MISMATCH"), std::string::npos);
}

TEST(ImageCommands, VariantIsCaseInsensitiveAndAnythingElseIsAUsageError) {
    const CliRun b = RunCli({"image", "inspect", "b"});
    EXPECT_EQ(b.exitCode, kExitOk);
    EXPECT_NE(b.out.find("\"ZT5160B USB Audio\""), std::string::npos);

    for (std::vector<const char*> args : {std::vector<const char*>{"image", "inspect"},
                                          {"image", "export", "AB", "x.bin"},
                                          {"image", "export", "A"},
                                          {"image"}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, kExitUsage) << args.size();
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}

TEST(ImageCommands, ListNamesBothVariantsWithTheirChips) {
    const CliRun run = RunCli({"image", "list"});
    ASSERT_EQ(run.exitCode, kExitOk);
    EXPECT_NE(run.out.find("A  chip 0x73C0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("B  chip 0x73B0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("firmware ID 4C21"), std::string::npos);
}

struct ImageExport : ::testing::Test {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("zt-image-export-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(ImageExport, WritesTheImageBytesExactly) {
    for (const auto& [variant, image] : {std::pair{"A", &kImageA}, std::pair{"B", &kImageB}}) {
        const std::string file = (dir / (std::string(variant) + ".bin")).string();
        std::ofstream(file)
            << "an older, longer file that must be replaced whole ............................";
        const CliRun run = RunCli({"image", "export", variant, file.c_str()});
        ASSERT_EQ(run.exitCode, kExitOk) << run.err;
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), image->begin(), image->end())) << variant;
    }
}

TEST_F(ImageExport, UnwritablePathIsOneLineAndAnIoError) {
    for (const std::string& file : {(dir / "missing-dir" / "a.bin").string(), dir.string()}) {
        const CliRun run = RunCli({"image", "export", "A", file.c_str()});
        EXPECT_EQ(run.exitCode, kExitIoError) << file;
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(run.err.rfind("zt51xx-mp: cannot write " + file + ": ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    }
}

std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(ImageExport, AFailedWriteLeavesTheOldFileAsItWas) {
    // The disk fills up after the first 4 KiB (a file size limit in a child
    // process stands in for it): the old image must survive whole, and no
    // half-written file may be left beside it.
    const auto file = dir / "station.bin";
    const std::string old = "the image that was exported yesterday";
    std::ofstream(file) << old;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);
        std::ostringstream out, err;
        CommandContext ctx{out, err};
        const std::string path = file.string();
        const char* argv[] = {"zt51xx-mp", "image", "export", "A", path.c_str()};
        ::_exit(RunCommandLine(5, argv, ctx));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitIoError);
    EXPECT_EQ(Contents(file), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(ImageExport, APipeOrDeviceIsWrittenNotReplaced) {
    // 'image export A /dev/stdout | ...' must keep working: such a target is
    // written as it is, never renamed over.
    const auto fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);  // holds the pipe open, never blocks
    ASSERT_GE(reader, 0);
    const CliRun run = RunCli({"image", "export", "B", fifo.c_str()});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err;
    std::vector<uint8_t> bytes(kImageSize + 1);
    EXPECT_EQ(::read(reader, bytes.data(), bytes.size()), static_cast<ssize_t>(kImageSize));
    ::close(reader);
    EXPECT_TRUE(std::equal(kImageB.begin(), kImageB.end(), bytes.begin()));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

// A file is decoded like a built-in image and put through write --image's
// checks against both chips: an engineer's release of image A fits chip A,
// and its product string keeps it off chip B.
TEST_F(ImageExport, InspectingAFileSaysWhatWriteImageWouldDoOnEachChip) {
    std::vector<uint8_t> bytes(kImageA.begin(), kImageA.end());
    const auto at = [&](std::string_view tag) {
        return static_cast<size_t>(std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end()) -
                                   bytes.begin());
    };
    const size_t fw = at("ZTFwLTag"), hs = at("ZTHsDTag") + 8, fs = at("ZTFsDTag") + 8;
    for (const size_t release : {fw + 18, fw + 26, hs + 12, fs + 12}) {
        bytes[release] = 0x00;
        bytes[release + 1] = 0x03;
    }
    const std::string file = (dir / "a-0300.bin").string();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());

    const CliRun run = RunCli({"image", "inspect", file.c_str()});
    ASSERT_EQ(run.exitCode, kExitOk) << run.err;
    for (const std::string& expected : {
             "image file " + file + ": 16400 bytes\n",
             std::string("idVendor 0x3C4D  idProduct 0x7350  bcdDevice 0x0300"),
             std::string("  file check: passes\n"),
             std::string("  chip A (0x73Cx): written\n"),
             std::string(
                 "  chip B (0x73Bx): refused, product string: the file's \"ZT5160 USB Audio\" is chip A's\n"),
         })
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;

    bytes.resize(100);  // cut short: decoded all the same, and refused on its own
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const CliRun cut = RunCli({"image", "inspect", file.c_str()});
    EXPECT_EQ(cut.exitCode, kExitOk);
    EXPECT_NE(cut.out.find("  file check: refused, length: the file holds 100 bytes, an image 16400\n"),
              std::string::npos)
        << cut.out;

    const CliRun missing = RunCli({"image", "inspect", "C"});
    EXPECT_EQ(missing.exitCode, kExitIoError);
    EXPECT_EQ(missing.err.rfind("zt51xx-mp: cannot read C: ", 0), 0u) << missing.err;
}

}  // namespace
}  // namespace zt::cli
