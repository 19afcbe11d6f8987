#include <cctype>
#include <climits>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "job/JobResult.h"
#include "protocol/ProtocolFixture.h"

namespace zt {
namespace {

using Kind = sim::SimLogEntry::Kind;
using Bytes = std::vector<uint8_t>;
using Commands = DeviceCommandSet;

struct DeviceCommands : test::ProtocolFixture {
    // Microseconds between consecutive output reports.
    std::vector<uint64_t> Gaps() const {
        std::vector<uint64_t> gaps;
        const auto sent = Requests();
        for (size_t i = 1; i < sent.size(); ++i) gaps.push_back(sent[i].timeUs - sent[i - 1].timeUs);
        return gaps;
    }
};

TEST_F(DeviceCommands, TagsRunFromOneTo240AndWrap) {
    for (int i = 0; i < 241; ++i) ASSERT_EQ(commands.WriteHeaderTail(), kOk);
    const auto sent = Requests();
    ASSERT_EQ(sent.size(), 241u);
    EXPECT_EQ(sent[0].bytes[1], 1);
    EXPECT_EQ(sent[239].bytes[1], 240);
    EXPECT_EQ(sent[240].bytes[1], 1);
    for (uint64_t gap : Gaps()) ASSERT_EQ(gap, 3000u);  // 3 ms after every request
}

TEST_F(DeviceCommands, ReadBackCarriesTheCurrentTagAndWrapsAfter252) {
    commands.SetTag(240);
    commands.SetImageLength(120);  // 16 bytes, then 13 reads of 8
    ASSERT_EQ(commands.ReadBackImage(), kOk);
    Bytes tags;
    for (const auto& r : Requests()) tags.push_back(r.bytes[1]);
    EXPECT_EQ(tags, (Bytes{240, 241, 242, 243, 244, 245, 246, 247, 248, 249, 250, 251, 252, 1}));
    commands.NextTag();
    EXPECT_EQ(commands.Tag(), 3);
}

TEST_F(DeviceCommands, ReadBackImageReadsTheWholeImage) {
    ASSERT_EQ(commands.ReadBackImage(), kOk);
    const auto sent = Requests();
    ASSERT_EQ(sent.size(), 2049u);
    EXPECT_EQ(Address(sent[0].bytes), 0);
    EXPECT_EQ(sent[0].bytes[7], 16);
    for (size_t i = 1; i < sent.size(); ++i) {
        ASSERT_EQ(Address(sent[i].bytes), 8 + 8 * i);
        ASSERT_EQ(sent[i].bytes[7], 8);
    }
    const Bytes eeprom = bus.Eeprom();
    EXPECT_TRUE(std::equal(eeprom.begin(), eeprom.begin() + kImageSize, commands.ReadBackBuffer().begin()));
    EXPECT_EQ(progress.front(), 49);
    EXPECT_EQ(progress.back(), 99);

    bus.ClearLog();
    commands.SetImageLength(20);
    ASSERT_EQ(commands.ReadBackImage(), kOk);
    const auto shortImage = Requests();
    ASSERT_EQ(shortImage.size(), 2u);
    EXPECT_EQ(shortImage[1].bytes[7], 4);
    EXPECT_EQ(Address(shortImage[1].bytes), 16);
}

TEST_F(DeviceCommands, WriteImageBodySendsOnlyMarkedChunksFromTheEnd) {
    const uint64_t start = clock.NowUs();
    ASSERT_EQ(commands.WriteImageBody(), kOk);  // every mark 0
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(clock.NowUs() - start, 2049u * 3000u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 50);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    // Groups 16392 and 8 marked: the image differs from the (empty) read-back
    // there and nowhere else.
    commands.ImageBuffer()[16392] = 0x5A;
    commands.ImageBuffer()[8] = 0xA5;
    ASSERT_EQ(commands.MarkDifferingBody(), 2u);
    ASSERT_EQ(commands.WriteImageBody(), kOk);
    const auto sent = Requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(Address(sent[0].bytes), 16392);
    EXPECT_EQ(Address(sent[1].bytes), 8);
    EXPECT_EQ(sent[0].bytes[8], 0x5A);
    EXPECT_EQ(bus.Eeprom()[16392], 0x5A);
}

TEST_F(DeviceCommands, PathChoiceFollowsTheInputReportLength) {
    struct Case {
        uint16_t inputLength;
        bool overHid;
        uint8_t thirdRegister;
    };
    for (const Case& c : {Case{16, true, 0xD8}, Case{15, false, 0xB8}}) {
        bus.Faults().inputReportLength = c.inputLength;
        ASSERT_EQ(device.OpenDeviceById(bus.VendorId(), bus.ProductId()), kOk);
        bus.SetRegister(0, 0xB1, 0x5C);
        bus.ClearLog();
        uint32_t chipId = 0;
        uint8_t status = 0;
        ASSERT_EQ(commands.ReadChipIdentity(&chipId, &status), kOk);
        EXPECT_EQ(chipId, 0x73C2u);
        EXPECT_EQ(status, 0x5C);
        Bytes registers;
        if (c.overHid) {
            for (const auto& r : Requests()) registers.push_back(r.bytes[4]);
            EXPECT_TRUE(Entries(Kind::VendorRequest).empty());
        } else {
            for (const auto& f : Entries(Kind::VendorRequest)) registers.push_back(f.bytes[27]);
            EXPECT_TRUE(Requests().empty());
        }
        EXPECT_EQ(registers, (Bytes{0xA3, 0xB2, c.thirdRegister, 0x9A, 0xEE, 0xCA, 0xF8, 0xB1, 0xB9, 0xB8}));
    }
}

TEST_F(DeviceCommands, ProgressMarkerUpdatesTheStageOnlyWhenTheChipConfirmsOverHid) {
    ASSERT_EQ(commands.WriteProgressMarker(3), kOk);
    EXPECT_EQ(commands.JobStage(), 3);
    EXPECT_EQ(bus.Eeprom()[0x401C], 3);
    EXPECT_EQ(commands.ImageBuffer()[0x401C], 3);

    bus.Faults().noReply = true;
    EXPECT_EQ(commands.WriteProgressMarker(4), kFail);
    EXPECT_EQ(commands.JobStage(), 3);

    device.CloseDevice();  // the audio-driver path: the chip takes it, the stage stays
    bus.ClearLog();
    ASSERT_EQ(commands.WriteProgressMarker(2), kOk);
    EXPECT_EQ(commands.JobStage(), 3);
    EXPECT_EQ(bus.Eeprom()[0x401C], 2);
    const auto frames = Entries(Kind::VendorRequest);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Bytes(frames[0].bytes.begin() + 24, frames[0].bytes.begin() + 30),
              (Bytes{0x40, 0x13, 0xA0, 0x40, 0x1C, 0x02}));
}

TEST_F(DeviceCommands, PausesFollowTheDevicePacing) {
    struct Case {
        const char* name;
        std::function<Status()> command;
        uint64_t elapsedUs;
    };
    const Case cases[] = {
        {"control register", [&] { return commands.WriteControlRegister(); }, 13'000},
        {"erase", [&] { return commands.EraseEeprom(); }, 4'000},
        {"chip identity",
         [&] {
             uint32_t id;
             uint8_t st;
             return commands.ReadChipIdentity(&id, &st);
         },
         0},
        {"restore header", [&] { return commands.RestoreHeaderFromBackup(); }, 15'000},
    };
    for (const auto& c : cases) {
        const uint64_t start = clock.NowUs();
        EXPECT_EQ(c.command(), kOk) << c.name;
        EXPECT_EQ(clock.NowUs() - start, c.elapsedUs) << c.name;
    }
    EXPECT_EQ(bus.RegisterWrites().back(), (std::pair<uint8_t, uint8_t>{0xC4, 0x0C}));
}

TEST_F(DeviceCommands, RestoreHeaderRewritesTailThenHeadFromTheCopy) {
    bus.SetEeprom(0, 0, Bytes(8, 0));
    ASSERT_EQ(commands.RestoreHeaderFromBackup(), kOk);
    const auto sent = Requests();
    ASSERT_EQ(sent.size(), 5u);
    const std::pair<uint8_t, uint8_t> expected[] = {{0x12, 8}, {0x11, 3}, {0x12, 3}, {0x11, 5}, {0x12, 5}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(sent[i].bytes[2], expected[i].first) << i;
        EXPECT_EQ(sent[i].bytes[7], expected[i].second) << i;
    }
    const Bytes eeprom = bus.Eeprom();
    EXPECT_EQ(Bytes(eeprom.begin(), eeprom.begin() + 8), kHeaderCopy);
}

// ---- Failure records ---------------------------------------------------------

struct FailureRow {
    const char* name;
    std::function<void(test::ProtocolFixture&)> arrange;
    std::function<Status(Commands&)> command;
    JobResult expected;  // stage 3: set by a confirmed marker before each row
    size_t requestsSent;
};

void PrintTo(const FailureRow& row, std::ostream* os) { *os << row.name; }

struct FailureRecords : test::ProtocolFixture, ::testing::WithParamInterface<FailureRow> {};

TEST_P(FailureRecords, RecordOnceAndReturnTheFailure) {
    const FailureRow& row = GetParam();
    ASSERT_EQ(commands.WriteProgressMarker(3), kOk);
    bus.ClearLog();
    row.arrange(*this);
    EXPECT_EQ(row.command(commands), kFail);
    EXPECT_EQ(record.Get(), row.expected);
    EXPECT_EQ(Requests().size(), row.requestsSent);
}

void NoReply(test::ProtocolFixture& f) { f.bus.Faults().noReply = true; }
void Stop(test::ProtocolFixture& f) { f.stopRequested.store(true); }
void NoHid(test::ProtocolFixture& f) {
    f.device.CloseDevice();
    f.bus.SetAudioPresent(false);
}
void DropReplyTo(test::ProtocolFixture& f, uint8_t command, uint8_t byte4) {
    f.bus.Faults().dropReplyWhen = [=](const sim::SimRequest& r) {
        return r.command() == command && r.report[4] == byte4;
    };
}

// The header holds the complement of its copy, and one of its bytes no longer
// takes writes.
void SpoilHeader(test::ProtocolFixture& f, uint16_t stuckAddress) {
    Bytes header = test::ProtocolFixture::kHeaderCopy;
    for (auto& b : header) b = static_cast<uint8_t>(~b);
    f.bus.SetEeprom(0, 0, header);
    f.bus.Faults().stuckBytes[stuckAddress] = INT_MAX;
}

Status Identity(Commands& c) {
    uint32_t id = 0;
    uint8_t status = 0;
    return c.ReadChipIdentity(&id, &status);
}

const std::pair<const char*, std::function<Status(Commands&)>> kGatedCommands[] = {
    {"WriteProgressMarker", [](Commands& c) { return c.WriteProgressMarker(1); }},
    {"WriteControlRegister", [](Commands& c) { return c.WriteControlRegister(); }},
    {"ClearImageHeader", [](Commands& c) { return c.ClearImageHeader(); }},
    {"WriteHeaderHead", [](Commands& c) { return c.WriteHeaderHead(); }},
    {"WriteHeaderTail", [](Commands& c) { return c.WriteHeaderTail(); }},
    {"ReadBackHeader", [](Commands& c) { return c.ReadBackHeader(); }},
    {"ReadBackHeaderHead", [](Commands& c) { return c.ReadBackHeaderHead(); }},
    {"ReadBackHeaderTail", [](Commands& c) { return c.ReadBackHeaderTail(); }},
    {"WriteImageBody", [](Commands& c) { return c.WriteImageBody(); }},
    {"ReadBackImage", [](Commands& c) { return c.ReadBackImage(); }},
    {"RestoreHeaderFromBackup", [](Commands& c) { return c.RestoreHeaderFromBackup(); }},
};
const uint32_t kGatedOrigins[] = {7, 6, 11, 13, 14, 17, 18, 19, 15, 22, 25};
const uint32_t kExchangeClass[] = {6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7};

std::vector<FailureRow> FailureTable() {
    std::vector<FailureRow> rows;
    for (size_t i = 0; i < std::size(kGatedCommands); ++i) {
        const auto& [name, command] = kGatedCommands[i];
        rows.push_back({name, Stop, command, {3, kGatedOrigins[i], 14, 1}, 0});
        auto arrange = NoReply;
        if (std::string(name) == "WriteImageBody") {
            arrange = [](test::ProtocolFixture& f) {
                f.commands.MarkWholeBody();
                NoReply(f);
            };
        }
        rows.push_back({name, arrange, command, {3, kGatedOrigins[i], kExchangeClass[i], 2}, 1});
    }
    auto stopAfterFive = [](test::ProtocolFixture& f) {
        f.commands.MarkWholeBody();
        f.bus.Faults().dropReplyWhen = [&f, n = std::make_shared<int>(0)](const sim::SimRequest&) {
            if (++*n == 5) f.stopRequested.store(true);  // the stop arrives while the fifth request is out
            return false;
        };
    };
    rows.push_back(
        {"WriteImageBody stopped mid-body", stopAfterFive, kGatedCommands[8].second, {3, 15, 14, 1}, 5});
    rows.push_back(
        {"ReadBackImage stopped mid-image", stopAfterFive, kGatedCommands[9].second, {3, 22, 14, 1}, 5});
    rows.push_back({"ReadChipIdentity missing out-parameter",
                    [](test::ProtocolFixture&) {},
                    [](Commands& c) { return c.ReadChipIdentity(nullptr, nullptr); },
                    {3, 5, 12, 1},
                    0});
    rows.push_back({"ReadChipIdentity HID read of 0xB9",
                    [](test::ProtocolFixture& f) { DropReplyTo(f, 0x22, 0xB9); },
                    Identity,
                    {3, 5, 6, 10},
                    9});
    rows.push_back({"ReadChipIdentity audio read", NoHid, Identity, {3, 5, 10, 12}, 0});
    rows.push_back({"WriteProgressMarker audio", NoHid, kGatedCommands[0].second, {3, 7, 10, 3}, 0});
    rows.push_back({"WriteControlRegister audio", NoHid, kGatedCommands[1].second, {3, 6, 10, 3}, 0});
    rows.push_back({"EraseEeprom closed",
                    [](test::ProtocolFixture& f) { f.device.CloseDevice(); },
                    [](Commands& c) { return c.EraseEeprom(); },
                    {3, 8, 5, 1},
                    0});
    rows.push_back({"EraseEeprom first send",
                    [](test::ProtocolFixture& f) { f.bus.Faults().failWrites = true; },
                    [](Commands& c) { return c.EraseEeprom(); },
                    {3, 8, 8, 2},
                    0});
    auto restore = kGatedCommands[10].second;
    rows.push_back({"Restore blank copy",
                    [](test::ProtocolFixture& f) { f.bus.Faults().blankHeaderCopy = true; },
                    restore,
                    {3, 25, 7, 3},
                    1});
    rows.push_back({"Restore tail differs",
                    [](test::ProtocolFixture& f) { SpoilHeader(f, 6); },
                    restore,
                    {3, 25, 7, 6},
                    3});
    rows.push_back({"Restore head differs",
                    [](test::ProtocolFixture& f) { SpoilHeader(f, 1); },
                    restore,
                    {3, 25, 7, 9},
                    5});
    // A read-back that brings nothing counts as a mismatch, even where the
    // copy holds zeros.
    rows.push_back({"Restore tail read-back lost",
                    [](test::ProtocolFixture& f) {
                        f.bus.SetEeprom(0, 0x4015, {0, 0, 0});
                        f.bus.Faults().dropReplyWhen =
                            [n = std::make_shared<int>(0)](const sim::SimRequest&) { return ++*n == 3; };
                    },
                    restore,
                    {3, 25, 7, 6},
                    3});
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Table, FailureRecords, ::testing::ValuesIn(FailureTable()), [](const auto& info) {
    std::string n = info.param.name;
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n + "_" + std::to_string(info.index);
});

}  // namespace
}  // namespace zt
