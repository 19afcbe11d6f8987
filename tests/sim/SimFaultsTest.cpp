#include <gtest/gtest.h>

#include <climits>

#include "platform/DeviceNotices.h"
#include "sim/SimBus.h"
#include "sim/SimClock.h"
#include "sim/SimHost.h"
#include "station/config/SimFaultNames.h"

namespace zt::sim {
namespace {

using test::CountKind;
using test::SimHost;
using Kind = SimLogEntry::Kind;

struct SimFaultsTest : ::testing::Test {
    SimClock clock;
    SimBus bus{clock};
    SimHost host{bus};

    void SetUp() override {
        bus.AddChip(ChipVariant::A, {});
        ASSERT_TRUE(host.Open());
    }
    // Tags (byte 7) and counts (byte 8) of every reply waiting, until a time-out.
    std::vector<std::pair<int, int>> DrainReplies() {
        std::vector<std::pair<int, int>> out;
        for (;;) {
            int n = 0;
            auto r = host.Receive(&n);
            if (n <= 0) return out;
            out.emplace_back(r.size() > 7 ? r[7] : -1, r.size() > 8 ? r[8] : -1);
        }
    }
};

TEST_F(SimFaultsTest, WrongTagAndWrongCountRepliesComeBeforeTheRightOne) {
    bus.Faults().wrongTagRepliesBefore = 2;
    bus.Faults().wrongCountRepliesBefore = 1;
    host.Send(SimHost::EepromRead(5, 0x0100, 8));
    EXPECT_EQ(DrainReplies(), (std::vector<std::pair<int, int>>{{0x85, 8}, {0x85, 8}, {5, 9}, {5, 8}}));

    // Register replies carry no count, so only the wrong tags precede them.
    host.Send(SimHost::RegisterRead(6, 0xB9));
    EXPECT_EQ(DrainReplies(), (std::vector<std::pair<int, int>>{{0x86, 0x73}, {0x86, 0x73}, {6, 0x73}}));
}

TEST_F(SimFaultsTest, LostRepliesStillLetTheCommandTakeEffect) {
    bus.Faults().dropReplyWhen = [](const SimRequest& r) { return r.ordinal == 2; };
    host.Send(SimHost::EepromWrite(1, 0x10, {0xAA}));
    host.Send(SimHost::EepromWrite(2, 0x11, {0xBB}));
    host.Send(SimHost::EepromWrite(3, 0x12, {0xCC}));
    EXPECT_EQ(DrainReplies(), (std::vector<std::pair<int, int>>{{1, 1}, {3, 1}}));
    EXPECT_EQ(bus.Eeprom()[0x11], 0xBB);

    bus.Faults().noReply = true;
    host.Send(SimHost::RegisterWrite(4, 0xC4, 0x0C));
    EXPECT_TRUE(DrainReplies().empty());
    EXPECT_EQ(bus.Register(0, 0xC4), 0x0C);
}

TEST_F(SimFaultsTest, ShortRepliesCarryOnlyTheirLength) {
    bus.Faults().shortReplyLength = 9;
    host.Send(SimHost::EepromRead(1, 0, 8));
    int n = 0;
    auto reply = host.Receive(&n);
    EXPECT_EQ(n, 9);
    EXPECT_EQ(reply[7], 1);
}

TEST_F(SimFaultsTest, FailedWritesNeverReachTheChip) {
    bus.Faults().failWriteAtRequest = 2;
    EXPECT_EQ(host.Send(SimHost::EepromWrite(1, 0x10, {0xAA})), 64);
    EXPECT_EQ(host.Send(SimHost::EepromWrite(2, 0x11, {0xBB})), -1);
    EXPECT_EQ(host.Send(SimHost::EepromWrite(3, 0x12, {0xCC})), 64);
    EXPECT_EQ(bus.Eeprom()[0x11], 0xFF);
    EXPECT_EQ(DrainReplies(), (std::vector<std::pair<int, int>>{{1, 1}, {3, 1}}));

    bus.Faults().failWrites = true;
    EXPECT_EQ(host.Send(SimHost::Erase()), -1);
    EXPECT_EQ(bus.Eeprom()[0x10], 0xAA);
    const auto log = bus.Log();
    EXPECT_EQ(CountKind(log, Kind::FailedWrite), 2u);
    EXPECT_EQ(CountKind(log, Kind::OutputReport), 2u);
}

// Stuck bytes and a header that will not clear are acknowledged like any
// write; only a read-back shows that they did not take.
TEST_F(SimFaultsTest, CellsThatDoNotStick) {
    bus.SetEeprom(0, 0, {'W', 'T', 'C', 0, 0x4F, 2, 0x10, 0});
    bus.Faults().stuckBytes = {{0x0200, 2}, {0x0201, INT32_MAX}};
    bus.Faults().headerWontClear = true;
    for (uint8_t tag = 1; tag <= 3; ++tag) host.Send(SimHost::EepromWrite(tag, 0x0200, {0x11, 0x22}));
    host.Send(SimHost::EepromWrite(4, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}));
    host.Send(SimHost::EepromWrite(5, 0x0004, {0x50}));
    EXPECT_EQ(DrainReplies().size(), 5u) << "every write is acknowledged";

    const auto e = bus.Eeprom();
    EXPECT_EQ(e[0x0200], 0x11) << "sticks at the third write";
    EXPECT_EQ(e[0x0201], 0xFF) << "never sticks";
    EXPECT_EQ(bus.Faults().stuckBytes.at(0x0200), 0);
    EXPECT_EQ(std::vector<uint8_t>(e.begin(), e.begin() + 8),
              (std::vector<uint8_t>{'W', 'T', 'C', 0, 0x50, 2, 0x10, 0}));
}

TEST_F(SimFaultsTest, BlankHeaderCopyReadsAsErased) {
    bus.SetEeprom(0, 0x4010, {'W', 'T', 'C', 0, 0x4F, 2, 0x10, 0});
    bus.Faults().blankHeaderCopy = true;
    host.Send(SimHost::EepromRead(1, 0x4010, 8));
    auto reply = host.Receive();
    EXPECT_EQ(std::vector<uint8_t>(reply.begin() + 9, reply.begin() + 17), std::vector<uint8_t>(8, 0xFF));
}

TEST_F(SimFaultsTest, UnplugAtARequestLosesItAndPostsTheRemoval) {
    struct Recipient : DeviceNoticeRecipient {
        std::vector<DeviceNotice::Kind> kinds;
        void PostDeviceChange(const DeviceNotice& notice) override { kinds.push_back(notice.kind); }
    } recipient;
    bus.notices().Register(recipient);
    bus.Faults().unplugAtRequest = 2;
    EXPECT_EQ(host.Send(SimHost::EepromWrite(1, 0x10, {0xAA})), 64);
    EXPECT_EQ(host.Send(SimHost::EepromWrite(2, 0x11, {0xBB})), -1);
    EXPECT_FALSE(bus.IsPlugged());
    EXPECT_EQ(bus.Eeprom()[0x11], 0xFF);
    EXPECT_EQ(recipient.kinds, std::vector<DeviceNotice::Kind>{DeviceNotice::Kind::Removal});
    int n = 5;
    host.Receive(&n);
    EXPECT_EQ(n, 0) << "the reply to the first request went with the device";
}

TEST_F(SimFaultsTest, LatencyDelaysTheReplyOnTheBusClock) {
    bus.Faults().replyLatencyMs = 40;
    host.Send(SimHost::RegisterRead(1, 0xB9));
    int n = 0;
    host.Receive(&n);
    EXPECT_EQ(n, 64);
    EXPECT_EQ(clock.NowUs(), 40u * 1000);

    // A reply later than the time-out misses this read and is the next one's.
    bus.Faults().replyLatencyMs = 6000;
    host.Send(SimHost::RegisterRead(2, 0xB9));
    host.Receive(&n);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(clock.NowUs(), (40u + 5000) * 1000);
    auto late = host.Receive(&n);
    EXPECT_EQ(n, 64);
    EXPECT_EQ(late[7], 2);
    EXPECT_EQ(clock.NowUs(), (40u + 6000) * 1000);
}

TEST_F(SimFaultsTest, ReportLengthsAndRefusedOpen) {
    bus.Faults().inputReportLength = 65;
    bus.Faults().outputReportLength = 15;
    uint16_t in = 0, out = 0;
    ASSERT_TRUE(bus.hid().GetCaps(host.writeHandle, in, out));
    EXPECT_EQ(in, 65);
    EXPECT_EQ(out, 15);
    // A host with a 64-byte buffer still gets a whole buffer, never more.
    host.Send(SimHost::RegisterRead(1, 0xB9), 15);
    int n = 0;
    auto reply = host.Receive(&n);
    EXPECT_EQ(n, 64);
    EXPECT_EQ(reply[8], 0x73);

    bus.Faults().refuseOpen = true;
    EXPECT_EQ(bus.hid().Open(bus.Path(), false), kInvalidHandle);
}

TEST(SimFaultNames, EveryListedNameParses) {
    for (const auto& [name, help] : FaultNames()) {
        std::string fault = name;
        if (auto eq = fault.find('='); eq != std::string::npos)
            fault = fault.substr(0, eq) + (name.starts_with("stuck") ? "=0x100:2" : "=20");
        SimFaults faults;
        std::string error;
        EXPECT_TRUE(ApplyFaultByName(faults, fault, &error)) << fault << ": " << error;
        EXPECT_FALSE(help.empty());
    }
}

TEST(SimFaultNames, BadSpecsAreRefusedWithAReason) {
    for (const char* fault : {"", "no-such-fault", "no-reply=1", "wrong-tag", "wrong-tag=", "wrong-tag=x",
                              "wrong-tag=-1", "unplug-at=0", "input-length=0", "input-length=99999",
                              "stuck=0x8000", "stuck=12:", "stuck=12:abc", "latency-ms=1e3"}) {
        SimFaults f;
        std::string error;
        EXPECT_FALSE(ApplyFaultByName(f, fault, &error)) << fault;
        EXPECT_FALSE(error.empty()) << fault;
    }
}

}  // namespace
}  // namespace zt::sim
