#include <gtest/gtest.h>

#include "sim/SimBus.h"
#include "sim/SimClock.h"
#include "sim/SimHost.h"

namespace zt::sim {
namespace {

using test::SimHost;
using Kind = SimLogEntry::Kind;

struct SimHidFrames : ::testing::Test {
    SimClock clock;
    SimBus bus{clock};
    SimHost host{bus};

    void SetUp() override {
        bus.AddChip(ChipVariant::A, {});
        ASSERT_TRUE(host.Open());
    }
};

TEST_F(SimHidFrames, EepromWriteThenReadRoundTripsByteForByte) {
    ASSERT_EQ(host.Send(SimHost::EepromWrite(7, 0x1234, {1, 2, 3, 4, 5})), 64);
    auto ack = host.Receive();
    ASSERT_EQ(ack.size(), 64u);
    std::vector<uint8_t> expectedAck(64, 0);
    expectedAck[7] = 7;
    expectedAck[8] = 5;
    EXPECT_EQ(ack, expectedAck);

    ASSERT_EQ(host.Send(SimHost::EepromRead(8, 0x1233, 8)), 64);
    auto reply = host.Receive();
    std::vector<uint8_t> expected(64, 0);
    expected[7] = 8;
    expected[8] = 8;
    const uint8_t data[] = {0xFF, 1, 2, 3, 4, 5, 0xFF, 0xFF};
    std::copy(std::begin(data), std::end(data), expected.begin() + 9);
    EXPECT_EQ(reply, expected);
    EXPECT_EQ(bus.Eeprom()[0x1234], 1);
}

TEST_F(SimHidFrames, RegisterReadsGiveTheVariantsIdentifier) {
    struct Case {
        ChipVariant variant;
        uint8_t high, low;
    };
    for (const Case c : {Case{ChipVariant::A, 0x73, 0xC2}, Case{ChipVariant::B, 0x73, 0xB5},
                         Case{ChipVariant::Unknown, 0x74, 0x00}}) {
        SimBus other{clock};
        other.AddChip(c.variant, {});
        SimHost h{other};
        ASSERT_TRUE(h.Open());
        h.Send(SimHost::RegisterRead(1, 0xB9));
        h.Send(SimHost::RegisterRead(2, 0xB8));
        h.Send(SimHost::RegisterRead(3, 0xB1));
        auto r1 = h.Receive(), r2 = h.Receive(), r3 = h.Receive();
        EXPECT_EQ(r1[7], 1);
        EXPECT_EQ(r1[8], c.high);
        EXPECT_EQ(r2[7], 2);
        EXPECT_EQ(r2[8], c.low);
        EXPECT_EQ(r3[8], 0) << "status byte";
    }
}

TEST_F(SimHidFrames, ControlRegisterWriteIsRecordedAndAcknowledged) {
    host.Send(SimHost::RegisterWrite(9, 0xC4, 0x0C));
    auto ack = host.Receive();
    EXPECT_EQ(ack[7], 9);
    EXPECT_EQ(ack[8], 0x0C);
    EXPECT_EQ(bus.Register(0, 0xC4), 0x0C);
    EXPECT_EQ(bus.RegisterWrites(0), (std::vector<std::pair<uint8_t, uint8_t>>{{0xC4, 0x0C}}));
}

// Frames the chip does not recognise get no answer; the read waits out its
// whole time-out on the bus's clock and nothing in the EEPROM changes.
TEST_F(SimHidFrames, UnrecognisedFramesGetNoReplyAndChangeNothing) {
    struct Case {
        const char* what;
        std::vector<uint8_t> report;
    };
    const std::vector<Case> cases = {
        {"write with read select", {0, 1, 0x11, 0xE4, 0xA0, 0, 0x20, 1, 0x55}},
        {"write with wrong byte 4", {0, 1, 0x11, 0xA0, 0x00, 0, 0x20, 1, 0x55}},
        {"read with write select", {0, 1, 0x12, 0xA0, 0xA0, 0, 0x20, 1}},
        {"write of nine bytes", SimHost::EepromWrite(1, 0x20, {1, 2, 3, 4, 5, 6, 7, 8, 9})},
        {"unknown command", {0, 1, 0x33, 0xA0, 0xA0, 0, 0x20, 1, 0x55}},
        {"report ID 1", {1, 1, 0x11, 0xA0, 0xA0, 0, 0x20, 1, 0x55}},
        {"erase command", SimHost::Erase()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bus.SetEeprom(0, 0x20, {0x42});
        bus.ClearLog();
        const uint64_t before = clock.NowUs();
        ASSERT_EQ(host.Send(c.report), 64);
        int result = 0;
        host.Receive(&result);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(clock.NowUs() - before, 5000u * 1000);
        const auto log = bus.Log();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[1].kind, Kind::ReadTimeout);
        EXPECT_EQ(log[1].timeUs - log[0].timeUs, 5000u * 1000);
        if (c.report != SimHost::Erase()) {
            EXPECT_EQ(bus.Eeprom()[0x20], 0x42);
        }
    }
}

TEST_F(SimHidFrames, ReadDataNeverRunsPastTheInputReport) {
    bus.Faults().inputReportLength = 12;
    SimHost small{bus};
    ASSERT_TRUE(small.Open());
    bus.SetEeprom(0, 0x100, {1, 2, 3, 4, 5, 6, 7, 8});
    small.Send(SimHost::EepromRead(4, 0x100, 8));
    int n = 0;
    auto reply = small.Receive(&n);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(reply, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 4, 8, 1, 2, 3}));
}

TEST_F(SimHidFrames, EraseBlanksTheProgramAreaAndKeepsTheTail) {
    std::vector<uint8_t> eeprom(0x8000, 0x5A);
    SimBus b{clock};
    b.AddChip(ChipVariant::A, eeprom);
    SimHost h{b};
    ASSERT_TRUE(h.Open());
    ASSERT_EQ(h.Send(SimHost::Erase()), 64);
    const auto after = b.Eeprom();
    for (size_t a = 0; a < 0x4000; ++a) ASSERT_EQ(after[a], 0xFF) << a;
    for (size_t a = 0x4000; a < 0x8000; ++a) ASSERT_EQ(after[a], 0x5A) << a;
}

TEST_F(SimHidFrames, HandlesDieWithTheUnplugAndNewOnesWorkAfterThePlug) {
    bus.Unplug();
    const uint64_t before = clock.NowUs();
    EXPECT_EQ(host.Send(SimHost::RegisterRead(1, 0xB9)), -1);
    int result = 7;
    host.Receive(&result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(clock.NowUs(), before) << "a dead handle fails at once";
    EXPECT_EQ(bus.hid().Open(bus.Path(), true), kInvalidHandle);

    bus.Plug();
    EXPECT_EQ(host.Send(SimHost::RegisterRead(1, 0xB9)), -1) << "old handles stay dead";
    SimHost fresh{bus};
    ASSERT_TRUE(fresh.Open());
    fresh.Send(SimHost::RegisterRead(2, 0xB9));
    EXPECT_EQ(fresh.Receive()[8], 0x73);
}

}  // namespace
}  // namespace zt::sim
