#include "device/HidLink.h"
#include "job/JobResult.h"
#include "support/SimDialogFixture.h"

namespace zt {
namespace {

using Kind = sim::SimLogEntry::Kind;

// The job's device access, on a dialog without a worker; the test thread is
// the only one on the link.
struct HidAccess : test::SimDialogFixture {
    DeviceAccess& MakeDevice() { return MakeDialog().Job().Device(); }
    uint32_t RecordedCode() const { return dlg->Job().LastFailure().Code(); }
    // Open and Close entries of the log as "open w 0", "open r 0", "close -1"...
    std::vector<std::string> HandleTraffic() const {
        std::vector<std::string> out;
        for (const auto& e : bus.Log()) {
            if (e.kind == Kind::Open)
                out.push_back(std::string(e.bytes.at(0) ? "open r " : "open w ") + std::to_string(e.chip));
            if (e.kind == Kind::Close) out.push_back("close " + std::to_string(e.chip));
        }
        return out;
    }
};

TEST_F(HidAccess, NoDeviceRecordsTheOpenersOwnOrigin) {
    auto& d = MakeDevice();
    bus.AddOtherHidDevice(0x3C4D, 0x1234);  // our vendor, but no product of the table
    EXPECT_EQ(d.OpenKnownDevice(), kFail);
    EXPECT_EQ(RecordedCode(), 0x00030401u);
    EXPECT_EQ(d.OpenDeviceById(0x3C4D, 0x7351), kFail);
    EXPECT_EQ(RecordedCode(), 0x00040401u);
    EXPECT_EQ(d.OpenIds().vendorId, 0xFFFF);
    EXPECT_EQ(d.OpenIds().productId, 0xFFFF);
    EXPECT_FALSE(d.IsOpen());
    const auto lock = d.LockLink();
    EXPECT_EQ(d.Link().writeHandle, kInvalidHandle);
    EXPECT_EQ(d.Link().readHandle, kInvalidHandle);
}

TEST_F(HidAccess, TableRowsAreTriedInOrderAndTheFirstPresentOneOpens) {
    auto& d = MakeDevice();
    bus.AddFactoryChip(sim::ChipVariant::A);
    bus.AddOtherHidDevice(0x1111, 0x2222);
    d.SetTypedIds({0x1111, 0x2222});  // the typed pair goes first
    ASSERT_EQ(d.OpenKnownDevice(), kOk);
    EXPECT_EQ(d.OpenIds().vendorId, 0x1111);
    EXPECT_EQ(d.OpenIds().productId, 0x2222);

    d.SetTypedIds({0, 0});  // an empty first row ends the table at once
    EXPECT_EQ(d.OpenKnownDevice(), kFail);
    EXPECT_EQ(RecordedCode(), 0x00030401u);
}

// The write handle of a non-matching interface stays open until the next
// interface is tried; the first match in enumeration order wins.
TEST_F(HidAccess, EnumerationOpensAndClosesHandlesInOrder) {
    auto& d = MakeDevice();
    bus.AddOtherHidDevice(0x1111, 0x2222);
    bus.AddFactoryChip(sim::ChipVariant::A);
    bus.AddFactoryChip(sim::ChipVariant::A);
    bus.ClearLog();
    ASSERT_EQ(d.OpenDeviceById(bus.VendorId(0), bus.ProductId(0)), kOk);
    EXPECT_EQ(HandleTraffic(), (std::vector<std::string>{"open w -1", "close -1", "open w 0", "open r 0"}));

    // Opening again closes the old handles, write handle first, before any new open.
    bus.ClearLog();
    ASSERT_EQ(d.OpenDeviceById(bus.VendorId(0), bus.ProductId(0)), kOk);
    EXPECT_EQ(HandleTraffic(), (std::vector<std::string>{"close 0", "close 0", "open w -1", "close -1",
                                                         "open w 0", "open r 0"}));
    EXPECT_EQ(d.InputReportLength(), 64);
    EXPECT_EQ(d.OutputReportLength(), 64);
}

TEST_F(HidAccess, CloseDeviceLeavesAClosedConnection) {
    auto& d = MakeDevice();
    bus.AddFactoryChip(sim::ChipVariant::A);
    ASSERT_EQ(d.OpenKnownDevice(), kOk);
    d.CloseDevice();
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.OpenIds().vendorId, 0xFFFF);
    {
        const auto lock = d.LockLink();
        EXPECT_EQ(d.Link().openedInputLength, 0);
        EXPECT_EQ(d.Link().inputReportLength, 64);  // the link's own lengths stay
    }
    EXPECT_EQ(d.InputReportLength(), 64);
    bus.ClearLog();
    d.CloseDevice();
    EXPECT_TRUE(bus.Log().empty());

    bus.Faults().refuseOpen = true;
    EXPECT_EQ(d.OpenDeviceById(bus.VendorId(), bus.ProductId()), kFail);
    {
        const auto lock = d.LockLink();
        EXPECT_EQ(d.Link().inputReportLength, 0);
    }
    EXPECT_EQ(d.InputReportLength(), 0);
}

TEST_F(HidAccess, ReadReportTimesOutOnceAndReadsNothingFromAClosedLink) {
    bus.AddFactoryChip(sim::ChipVariant::A);
    HidLink link(bus.hid(), clock);
    uint16_t in = 0, out = 0;
    uint8_t buffer[64] = {};
    EXPECT_EQ(HidReadReport(link, buffer), 0);  // no read handle
    EXPECT_FALSE(HidOpenByVidPid(link, bus.VendorId(), bus.ProductId(), nullptr, &out));
    ASSERT_TRUE(HidOpenByVidPid(link, bus.VendorId(), bus.ProductId(), &in, &out));
    EXPECT_EQ(in, 64);

    const uint64_t start = clock.NowUs();
    EXPECT_EQ(HidReadReport(link, buffer), -1);
    EXPECT_EQ(clock.NowUs() - start, 5'000'000u);

    link.inputReportLength = 0;
    EXPECT_EQ(HidReadReport(link, buffer), 0);
    EXPECT_EQ(clock.NowUs() - start, 5'000'000u);
    HidCloseHandles(link);
    EXPECT_EQ(link.writeHandle, kInvalidHandle);
    EXPECT_EQ(link.readHandle, kInvalidHandle);
}

}  // namespace
}  // namespace zt
