#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/Commands.h"
#include "job/Sha256.h"
#include "station/config/StationConfig.h"
#include "support/CommandRun.h"

// The station's settings file: read as an operator wrote it, every option
// of the command a key, the command line over the file, and a file that
// stops the station before any unit when it is wrong.
namespace zt::cli {
namespace {

namespace fs = std::filesystem;

class StationConfigFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("zt-config-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Write(const std::string& text) {
        const fs::path path = folder_ / "station.conf";
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    std::vector<nlohmann::json> Records() const {
        std::vector<nlohmann::json> lines;
        std::ifstream in(folder_ / "log.jsonl");
        for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
        return lines;
    }
    std::string Log() const { return (folder_ / "log.jsonl").string(); }

    fs::path folder_;
};

TEST(StationConfig, ValuesLoseTheirQuotesAndCommentsAndEveryMistakeIsNamedByItsLine) {
    StationConfig config;
    std::string error;
    ASSERT_TRUE(
        config.ReadText("\xEF\xBB\xBF"
                        "operator = \"Li Wei\"\n"
                        "work-order=77 # trailing\n"
                        "; a comment\n"
                        "   station-id = \"#4 east\" ; its note\n"
                        "port = 1-2\n"
                        "  port = 1-3\r\n"
                        "image = C:\\images\\a#1.bin\n",
                        "s.conf", &error))
        << error;
    ASSERT_EQ(config.entries.size(), 6u);
    EXPECT_EQ(config.entries[0].key, "operator") << "the byte-order mark is not part of the first key";
    EXPECT_EQ(config.values["operator"], "Li Wei");
    EXPECT_EQ(config.values["work-order"], "77");
    EXPECT_EQ(config.values["station-id"], "#4 east");
    EXPECT_EQ(config.entries[4].value, "1-3") << "an indented line is a line of its own";
    EXPECT_EQ(config.entries[4].origin, "s.conf line 6");
    EXPECT_EQ(config.values["image"], "C:\\images\\a#1.bin") << "a # inside a word starts no comment";

    for (const auto& [text, where] : std::vector<std::pair<std::string, std::string>>{
             {"operator = Bo\n\nno equals sign\n", "s.conf line 3: "},
             {"operator = \"Li Wei\n", "s.conf line 1: operator: "},
             {"operator = \"Li\" Wei\n", "s.conf line 1: operator: "},
             {"[station]\noperator = Bo\n", "s.conf line 2: [station]"},
             {"Operator = Bo\n", "s.conf line 1: "},
             {"operator = Bo\nwork-order = " + std::string(300, 'x') + "\n", "s.conf line 2: "}}) {
        StationConfig bad;
        EXPECT_FALSE(bad.ReadText(text, "s.conf", &error)) << text;
        EXPECT_EQ(error.rfind(where, 0), 0u) << text << " -> " << error;
    }
}

TEST_F(StationConfigFile, EveryOptionIsAKeyAndTheCommandLineWins) {
    const std::string config = Write(
        "simulate = true\nsim-clock = yes\nunits = 2\nstop-after = 2\n"
        "operator = \"Li Wei\"\nwork-order = 77 # east line\nlog = " +
        Log() + "\nfuture-option = 1\n");
    const auto run = test::RunArgs({"station", "--config", config, "--operator", "Ana", "--json"});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    EXPECT_NE(run.err.find(config + " line 8: no option --future-option; ignored"), std::string::npos)
        << "a key for a newer version is shown, not fatal: " << run.err;
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["operator"], "Ana");
    EXPECT_EQ(records[0]["workOrder"], "77");

    // A value the option refuses stops the station, named where it was written.
    const auto bad =
        test::RunArgs({"station", "--config", Write("simulate = true\n# wait\nreplug-wait = 0\n")});
    EXPECT_EQ(bad.rc, kExitUsage);
    EXPECT_NE(bad.err.find("station.conf line 3: "), std::string::npos) << bad.err;
    const auto badName = test::RunArgs({"write", "--config", Write("operator = B\x01o\n")});
    EXPECT_EQ(badName.rc, kExitUsage);
    EXPECT_NE(badName.err.find("station.conf line 1: operator"), std::string::npos) << badName.err;
}

TEST_F(StationConfigFile, AnImageOtherThanTheConfiguredOneIsRefusedBeforeAnyUnit) {
    const std::string image = (folder_ / "a.bin").string();
    ASSERT_EQ(test::RunArgs({"image", "export", "A", image}).rc, kExitOk);
    std::ifstream in(image, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    const std::string base =
        "simulate = true\nsim-clock = true\nunits = 1\nstop-after = 1\nimage = " + image +
        "\nlog = " + Log() + "\n";

    const auto right =
        test::RunArgs({"station", "--config", Write(base + "image-sha256 = " + Sha256Hex(bytes))});
    ASSERT_EQ(right.rc, kExitOk) << right.err;
    ASSERT_EQ(Records().size(), 1u);
    const auto wrong =
        test::RunArgs({"station", "--config", Write(base + "image-sha256 = " + std::string(64, '0'))});
    EXPECT_EQ(wrong.rc, kExitUsage);
    EXPECT_NE(wrong.err.find("refused: its SHA-256 is " + Sha256Hex(bytes)), std::string::npos) << wrong.err;
    EXPECT_EQ(wrong.out.find("result"), std::string::npos) << "no unit was started: " << wrong.out;
    EXPECT_EQ(Records().size(), 1u);
}

}  // namespace
}  // namespace zt::cli
