#include <functional>
#include <mutex>

#include "protocol/CommandExchange.h"
#include "protocol/ProtocolFixture.h"

namespace zt {
namespace {

using Kind = sim::SimLogEntry::Kind;
using Bytes = std::vector<uint8_t>;

// The test thread is the only one on the link; it holds the link's lock as
// the commands do around their exchanges.
struct CommandExchange : test::ProtocolFixture {
    std::unique_lock<std::recursive_mutex> linkLock;
    void SetUp() override {
        ProtocolFixture::SetUp();
        linkLock = device.LockLink();
    }
    HidLink& link() { return device.Link(); }
};

// The report as it must leave the host: 64 bytes, the given head, zeros after.
Bytes Report(Bytes head) {
    head.resize(64, 0);
    return head;
}

TEST_F(CommandExchange, FramesGoOutByteForByte) {
    uint8_t five[5] = {0xD1, 0xD2, 0xD3, 0xD4, 0xD5};
    uint8_t sixteen[16] = {};
    uint8_t readValue = 0;
    uint8_t writeValue = 0x0C;
    struct Case {
        const char* name;
        std::function<bool()> exchange;
        Bytes expected;
    };
    const Case cases[] = {
        {"EEPROM write of 5", [&] { return HidEepromTransfer(0x1234, link(), 0, 5, five, 7); },
         Report({0x00, 0x07, 0x11, 0xA0, 0xA0, 0x12, 0x34, 0x05, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5})},
        {"EEPROM read of 16", [&] { return HidEepromTransfer(0x4010, link(), 1, 16, sixteen, 9); },
         Report({0x00, 0x09, 0x12, 0xE4, 0xA0, 0x40, 0x10, 0x10})},
        {"register read", [&] { return HidRegisterAccess(link(), &readValue, 1, 0xB9, 3); },
         Report({0x00, 0x03, 0x22, 0x00, 0xB9})},
        {"register write", [&] { return HidRegisterAccess(link(), &writeValue, 0, 0xC4, 4); },
         Report({0x00, 0x04, 0x21, 0x00, 0xC4, 0x0C})},
        {"erase", [&] { return HidSendEraseCommand(link()) == kOk; }, Report({0x00, 0xF5, 0xAB, 0xCD})},
    };
    for (const auto& c : cases) {
        bus.ClearLog();
        EXPECT_TRUE(c.exchange()) << c.name;
        const auto sent = Requests();
        ASSERT_EQ(sent.size(), 1u) << c.name;
        EXPECT_EQ(sent[0].bytes, c.expected) << c.name;
    }
    EXPECT_EQ(readValue, 0x73);
    EXPECT_EQ(bus.Register(0, 0xC4), 0x0C);
    const Bytes eeprom = bus.Eeprom();
    EXPECT_EQ(Bytes(sixteen, sixteen + 16), Bytes(eeprom.begin() + 0x4010, eeprom.begin() + 0x4020));
}

TEST_F(CommandExchange, StaleAndMiscountedRepliesAreSkippedUntilTheRightOne) {
    bus.SetEeprom(0, 0x0100, {1, 2, 3, 4, 5, 6, 7, 8});
    bus.Faults().wrongTagRepliesBefore = 3;
    bus.Faults().wrongCountRepliesBefore = 2;
    uint8_t data[8] = {};
    ASSERT_TRUE(HidEepromTransfer(0x0100, link(), 1, 8, data, 42));
    EXPECT_EQ(Bytes(data, data + 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Entries(Kind::InputReport).size(), 6u);

    // A write completes on the tag alone: its count echo is not looked at.
    bus.ClearLog();
    ASSERT_TRUE(HidEepromTransfer(0x0100, link(), 0, 8, data, 43));
    EXPECT_EQ(Entries(Kind::InputReport).size(), 4u);
}

TEST_F(CommandExchange, RepliesTooShortForTheirContentNeverMatch) {
    struct Case {
        int replyLength;
        bool eepromRead, eepromWrite, registerRead, registerWrite;
    };
    // EEPROM replies need 10 bytes (a read: 9 + its count), register replies
    // 8 (a read: 9, for the value in byte 8).
    const Case cases[] = {{7, false, false, false, false},
                          {8, false, false, false, true},
                          {9, false, false, true, true},
                          {12, false, true, true, true},
                          {13, true, true, true, true}};
    for (const auto& c : cases) {
        bus.Faults().shortReplyLength = c.replyLength;
        uint8_t data[4] = {};
        uint8_t value = 0x0C;
        EXPECT_EQ(HidEepromTransfer(0x0010, link(), 1, 4, data, 1), c.eepromRead) << c.replyLength;
        EXPECT_EQ(HidEepromTransfer(0x0010, link(), 0, 4, data, 2), c.eepromWrite) << c.replyLength;
        EXPECT_EQ(HidRegisterAccess(link(), &value, 1, 0xB9, 3), c.registerRead) << c.replyLength;
        value = 0x0C;
        EXPECT_EQ(HidRegisterAccess(link(), &value, 0, 0xC4, 4), c.registerWrite) << c.replyLength;
    }
}

TEST_F(CommandExchange, OneReadTimeOutEndsTheExchange) {
    bus.Faults().noReply = true;
    uint8_t value = 0;
    uint8_t data[8] = {};
    const std::function<bool()> exchanges[] = {
        [&] { return HidEepromTransfer(0, link(), 1, 8, data, 1); },
        [&] { return HidRegisterAccess(link(), &value, 1, 0xB9, 2); },
    };
    for (const auto& exchange : exchanges) {
        bus.ClearLog();
        const uint64_t start = clock.NowUs();
        EXPECT_FALSE(exchange());
        EXPECT_EQ(clock.NowUs() - start, 5'000'000u);
        EXPECT_EQ(Entries(Kind::ReadTimeout).size(), 1u);
    }
    // The link stays open and the next exchange starts cleanly.
    bus.Faults().noReply = false;
    EXPECT_TRUE(HidRegisterAccess(link(), &value, 1, 0xB9, 3));
    EXPECT_EQ(value, 0x73);
}

TEST_F(CommandExchange, RegisterWriteWaitsTenMillisecondsAfterItsReply) {
    uint8_t value = 0x0C;
    const uint64_t start = clock.NowUs();
    ASSERT_TRUE(HidRegisterAccess(link(), &value, 0, 0xC4, 5));
    EXPECT_EQ(clock.NowUs() - start, 10'000u);
    ASSERT_TRUE(HidRegisterAccess(link(), &value, 1, 0xC4, 6));
    EXPECT_EQ(clock.NowUs() - start, 10'000u);  // reads do not wait
    EXPECT_EQ(value, 0x0C);
}

TEST_F(CommandExchange, RefusedRequestsSendNothing) {
    uint8_t data[64] = {};
    EXPECT_FALSE(HidRegisterAccess(link(), nullptr, 1, 0xB9, 1));
    EXPECT_FALSE(HidEepromTransfer(0, link(), 0, 9, data, 2));   // a write frame holds 8 bytes
    EXPECT_FALSE(HidEepromTransfer(0, link(), 1, 56, data, 3));  // 9 + 56 > 64
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(HidEepromTransfer(0, link(), 1, 55, data, 4));
}

TEST_F(CommandExchange, EraseReportsWhetherTheWriteWentOut) {
    bus.Faults().failWrites = true;
    EXPECT_EQ(HidSendEraseCommand(link()), kFail);
    bus.Faults().failWrites = false;
    const uint64_t start = clock.NowUs();
    EXPECT_EQ(HidSendEraseCommand(link()), kOk);
    EXPECT_EQ(clock.NowUs(), start);  // no reply is awaited
    EXPECT_TRUE(Entries(Kind::InputReport).empty());
    device.CloseDevice();
    EXPECT_EQ(HidSendEraseCommand(link()), kFail);
}

// Devices that declare reports longer than our 64-byte buffers are spoken to
// with 64-byte reports; a shorter input report limits what one read may ask.
TEST_F(CommandExchange, ReportLengthsBoundWhatIsWrittenAndRead) {
    bus.Faults().inputReportLength = 200;
    bus.Faults().outputReportLength = 65;
    ASSERT_EQ(device.OpenDeviceById(bus.VendorId(), bus.ProductId()), kOk);
    EXPECT_EQ(link().inputReportLength, 64);
    EXPECT_EQ(link().outputReportLength, 64);
    EXPECT_EQ(device.InputReportLength(), 64);
    uint8_t data[16] = {};
    bus.ClearLog();
    EXPECT_TRUE(HidEepromTransfer(0x4010, link(), 1, 16, data, 1));
    EXPECT_EQ(Requests().at(0).bytes.size(), 64u);

    bus.Faults().inputReportLength = 20;
    bus.Faults().outputReportLength = 16;
    ASSERT_EQ(device.OpenDeviceById(bus.VendorId(), bus.ProductId()), kOk);
    bus.ClearLog();
    EXPECT_FALSE(HidEepromTransfer(0x4010, link(), 1, 12, data, 2));
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(HidEepromTransfer(0x4010, link(), 1, 11, data, 3));
    EXPECT_EQ(Requests().at(0).bytes.size(), 16u);
}

}  // namespace
}  // namespace zt
