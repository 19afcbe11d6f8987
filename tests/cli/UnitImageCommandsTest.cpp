#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "chip/ImageIdentity.h"
#include "chip/ImageLayout.h"
#include "cli/Commands.h"
#include "job/EepromRange.h"
#include "support/CommandRun.h"

namespace zt::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using CliRun = test::CommandRun;

CliRun Cli(std::vector<std::string> args) { return test::RunArgs(std::move(args)); }

std::vector<uint8_t> Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class UnitFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("zt-unit-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

TEST(ExplainCommand, NamesThePartsOfAKnownCodeAndTellsUnknownFromMalformed) {
    const CliRun known = Cli({"explain", "00030401"});
    ASSERT_EQ(known.rc, kExitOk) << known.err;
    for (const char* part : {"stage    00", "origin   03", "class    04", "detail   01"})
        EXPECT_THAT(known.out, HasSubstr(part));
    EXPECT_THAT(known.out, Not(HasSubstr("not a code this tool records")));

    const CliRun unknown = Cli({"explain", "00FF7777"});
    EXPECT_EQ(unknown.rc, kExitJobFailed);
    EXPECT_THAT(unknown.out, HasSubstr("not a code this tool records"));

    for (const char* bad : {"3040", "000304011", "0003040G", "0x030401"}) {
        const CliRun run = Cli({"explain", bad});
        EXPECT_EQ(run.rc, kExitUsage) << bad;
        EXPECT_EQ(run.out, "") << bad;
    }
}

// What escapes a command, here a stream that throws when the answer is
// printed, ends the run with one line and its own code instead of an abort.
TEST(CommandLine, AnExceptionFromACommandIsOneLineAndExitCode70) {
    struct RefusingBuffer : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    } refusing;
    std::ostream out(&refusing);
    out.exceptions(std::ios::badbit);
    std::ostringstream err;
    CommandContext ctx{out, err};
    const char* argv[] = {"zt51xx-mp", "explain", "00030401"};
    EXPECT_EQ(RunCommandLine(3, argv, ctx), kExitInternalError);
    EXPECT_THAT(err.str(), ::testing::StartsWith("zt51xx-mp: internal error: "));
    EXPECT_EQ(test::CommandRun::Split(err.str()).size(), 1u) << err.str();
}

TEST(VersionOption, PrintsTheProjectVersionWithoutASubcommand) {
    const CliRun run = Cli({"--version"});
    EXPECT_EQ(run.rc, kExitOk);
    EXPECT_THAT(run.out, ::testing::MatchesRegex("zt51xx-mp [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

TEST_F(UnitFiles, ReadThenVerifyAgreesAndAChangedByteIsNamed) {
    const std::string saved = Path("unit.bin");
    const CliRun read = Cli({"read", saved, "--simulate", "--sim-clock"});
    ASSERT_EQ(read.rc, kExitOk) << read.err;
    std::vector<uint8_t> bytes = Load(saved);
    ASSERT_EQ(bytes.size(), kUnitEepromSize);
    // The simulated unit holds image A, and the bytes after it come along.
    EXPECT_TRUE(std::equal(kImageA.begin(), kImageA.end(), bytes.begin()));

    const CliRun same = Cli({"verify", "--image", saved, "--simulate", "--sim-clock"});
    EXPECT_EQ(same.rc, kExitOk) << same.out << same.err;
    EXPECT_THAT(same.out, HasSubstr("equal"));
    const CliRun chipsOwn = Cli({"verify", "--simulate", "--sim-clock"});
    EXPECT_EQ(chipsOwn.rc, kExitOk) << chipsOwn.out << chipsOwn.err;
    EXPECT_THAT(chipsOwn.out, HasSubstr("image A"));

    bytes[0x1234] ^= 0x5A;
    bytes[0x4075] ^= 0x01;  // past the image: the firmware version bytes
    Save(saved, bytes);
    const CliRun changed = Cli({"verify", "--image", saved, "--simulate", "--sim-clock"});
    EXPECT_EQ(changed.rc, kExitJobFailed);
    EXPECT_THAT(changed.out, HasSubstr("2 bytes in 2 ranges\n0x1234-0x1234\n0x4075-0x4075\n"));
    bytes[0x4075] ^= 0x01;
    Save(saved, bytes);
    EXPECT_THAT(Cli({"verify", "--image", saved, "--simulate", "--sim-clock"}).out,
                HasSubstr("1 byte in 1 range\n0x1234-0x1234\n"));

    const CliRun otherImage = Cli({"verify", "--image", "B", "--simulate", "--sim-clock"});
    EXPECT_EQ(otherImage.rc, kExitJobFailed);
    EXPECT_THAT(otherImage.out, HasSubstr("differs from image B"));
}

TEST_F(UnitFiles, AReadThatFailsLeavesNoFileBehind) {
    const std::string saved = Path("unit.bin");
    const CliRun run = Cli({"read", saved, "--simulate", "--sim-clock", "--fault", "no-reply"});
    EXPECT_EQ(run.rc, kExitJobFailed) << run.err;
    EXPECT_THAT(run.err, HasSubstr("read at 0x0000 failed"));
    EXPECT_FALSE(std::filesystem::exists(saved));
}

TEST_F(UnitFiles, WriteImageRefusesABadFileBeforeTheUnitIsTouched) {
    std::vector<uint8_t> image(kImageA.begin(), kImageA.end());
    const std::string file = Path("image.bin");

    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> spoil;
        int rc;
        const char* check;
    };
    const Case cases[] = {
        {"short", [](auto& b) { b.pop_back(); }, kExitUsage, "refused, length"},
        {"magic", [](auto& b) { b[2] = 'X'; }, kExitUsage, "refused, header"},
        {"class",
         [](auto& b) {
             // The chip-class record's tag, broken: the scan finds no record.
             const std::string_view tag = image::kChipClassTag;
             auto at = std::search(b.begin(), b.end(), tag.begin(), tag.end());
             ASSERT_NE(at, b.end());
             *at = 'X';
         },
         kExitUsage, "refused, tag scan"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = image;
        c.spoil(bytes);
        Save(file, bytes);
        const CliRun run = Cli({"write", "--image", file, "--simulate", "--sim-clock", "--yes"});
        EXPECT_EQ(run.rc, c.rc) << c.name << run.err;
        EXPECT_THAT(run.err, HasSubstr(c.check)) << c.name;
        EXPECT_EQ(run.out, "") << c.name;  // no session began: nothing was erased
    }

    // A serial string holding an escape sequence and a bell: refused, and
    // neither the refusal nor the inspector lets them reach the terminal.
    std::vector<uint8_t> rogue = image;
    const auto place = FindSerialString(rogue);
    ASSERT_TRUE(place && place->characters >= 4);
    rogue[place->descriptorOffset + 2] = 0x1B;
    rogue[place->descriptorOffset + 4] = '[';
    rogue[place->descriptorOffset + 6] = 0x07;
    Save(file, rogue);
    const CliRun bell = Cli({"write", "--image", file, "--simulate", "--sim-clock", "--yes"});
    EXPECT_EQ(bell.rc, kExitUsage) << bell.err;
    EXPECT_THAT(bell.err, HasSubstr("refused, serial string: \"\\x1B[\\x07"));
    const CliRun inspected = Cli({"image", "inspect", file});
    EXPECT_THAT(inspected.out, HasSubstr("refused, serial string"));
    for (const std::string& text : {bell.err, inspected.out})
        EXPECT_EQ(text.find_first_of("\x1B\x07"), std::string::npos) << text;

    // Sound on its own, but its firmware record is not the A chip's.
    std::vector<uint8_t> otherFirmware = image;
    const auto fw = std::search(otherFirmware.begin(), otherFirmware.end(), image::kFirmwareTag.begin(),
                                image::kFirmwareTag.end());
    ASSERT_NE(fw, otherFirmware.end());
    fw[image::kFirmwareIdField] ^= 0x01;
    Save(file, otherFirmware);
    const CliRun misfit = Cli({"write", "--image", file, "--simulate", "--sim-clock", "--yes"});
    EXPECT_EQ(misfit.rc, kExitJobFailed) << misfit.out << misfit.err;
    EXPECT_THAT(misfit.err, HasSubstr("refused, firmware record"));
    EXPECT_THAT(misfit.out, Not(HasSubstr("re-plugin")));
    // Several units: each is checked before it is erased, and refused alone.
    const CliRun misfits =
        Cli({"write", "--all", "--units", "2", "--image", file, "--simulate", "--sim-clock", "--yes"});
    EXPECT_EQ(misfits.rc, kExitJobFailed) << misfits.out << misfits.err;
    EXPECT_THAT(misfits.out, HasSubstr("[1-1.2] the image file is refused for this unit, firmware record"));
    EXPECT_THAT(misfits.out, Not(HasSubstr("re-plugin")));

    // A sound file for the chip is what the job writes.
    image[0x3000] ^= 0xFF;  // in the program area, away from every record
    Save(file, image);
    const CliRun written = Cli({"write", "--image", file, "--simulate", "--sim-clock", "--yes"});
    ASSERT_EQ(written.rc, kExitOk) << written.out << written.err;
    const CliRun allWritten =
        Cli({"write", "--all", "--units", "2", "--image", file, "--simulate", "--sim-clock", "--yes"});
    EXPECT_EQ(allWritten.rc, kExitOk) << allWritten.out << allWritten.err;
}

// An engineer's image for chip A with a release outside both built-in series
// is written and confirmed, and its record says which release went in.
TEST_F(UnitFiles, AnotherReleaseOfTheChipsOwnVariantIsWrittenAndRecorded) {
    std::vector<uint8_t> image(kImageA.begin(), kImageA.end());
    for (const std::string_view tag :
         {image::kFirmwareTag, image::kHsDescriptorTag, image::kFsDescriptorTag}) {
        const auto at = std::search(image.begin(), image.end(), tag.begin(), tag.end()) - image.begin();
        const bool firmware = tag == image::kFirmwareTag;
        for (const long field : firmware ? std::vector<long>{18, 26} : std::vector<long>{8 + 12}) {
            image[static_cast<size_t>(at + field)] = 0x00;
            image[static_cast<size_t>(at + field + 1)] = 0x10;
        }
    }
    const std::string file = Path("a-1000.bin"), log = Path("log.jsonl");
    Save(file, image);
    const CliRun run =
        Cli({"write", "--image", file, "--simulate", "--sim-clock", "--yes", "--confirm", "--log", log});
    ASSERT_EQ(run.rc, kExitOk) << run.out << run.err;
    std::ifstream in(log);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_THAT(line, HasSubstr("\"imageRelease\":\"1000\""));
    EXPECT_THAT(line, HasSubstr("\"confirmed\":true"));
    EXPECT_THAT(line, HasSubstr("\"bcdDevice\":\"1000\""));
}

// A folder, an endless device, a FIFO no one writes to and an oversized file:
// each is refused at once in one line, for write and for verify alike.
TEST_F(UnitFiles, AnImageFileThatIsNotAPlainFileOfItsSizeIsRefusedInOneLine) {
    const std::string fifo = Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = Path("huge.bin");
    Save(huge, std::vector<uint8_t>(kUnitEepromSize + 1, 0xFF));
    struct Case {
        std::string path;
        int rc;
        std::string check;
    };
    const Case cases[] = {{dir_.string(), kExitIoError, "it is a folder"},
                          {"/dev/zero", kExitIoError, "not a regular file"},
                          {fifo, kExitIoError, "not a regular file"},
                          {huge, kExitUsage, std::to_string(kUnitEepromSize + 1) + " bytes"}};
    for (const Case& c : cases) {
        for (const std::string command : {"write", "verify"}) {
            std::vector<std::string> args{command, "--image", c.path, "--simulate", "--sim-clock"};
            if (command == "write") args.push_back("--yes");
            const CliRun run = Cli(args);
            EXPECT_EQ(run.rc, c.rc) << command << " " << c.path << run.err;
            EXPECT_THAT(run.err, HasSubstr(c.check)) << command << " " << c.path;
            EXPECT_EQ(run.ErrLines().size(), 1u) << command << " " << c.path << run.err;
            EXPECT_EQ(run.out, "") << command << " " << c.path;
        }
    }
}

}  // namespace
}  // namespace zt::cli
