#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "device/CommandOwner.h"
#include "device/DeviceAccess.h"
#include "job/JobResult.h"
#include "protocol/DeviceCommandSet.h"
#include "protocol/ProgressView.h"
#include "sim/SimBus.h"
#include "sim/SimClock.h"

namespace zt::test {

// The device commands on their own, connected over HID to one chip of variant
// A whose header copy at 0x4010 holds kHeaderCopy; the bus log starts empty.
// The fixture owns the commands as the job would: it keeps the failure record
// with the stage the commands last wrote, says when they must stop, and
// remembers the progress they showed.
struct ProtocolFixture : ::testing::Test, CommandOwner, ProgressView {
    static inline const std::vector<uint8_t> kHeaderCopy = {0x57, 0x54, 0x43, 0x00, 0x12, 0x34, 0x56, 0x78};

    sim::SimClock clock;
    sim::SimBus bus{clock};
    Platform platform = bus.AsPlatform();
    JobResultCell record;
    // Set by a test (or a fault on the bus) to play the tool's close.
    std::atomic<bool> stopRequested{false};
    std::vector<int> progress;
    DeviceAccess device{platform, *this};
    DeviceCommandSet commands{device, *this, *this};

    void SetUp() override {
        bus.AddFactoryChip(sim::ChipVariant::A);
        bus.SetEeprom(0, 0x4010, kHeaderCopy);
        device.SetAudioDeviceName("MarluUAC");
        ASSERT_EQ(device.OpenDeviceById(bus.VendorId(), bus.ProductId()), kOk);
        bus.ClearLog();
    }

    void RecordFailure(uint32_t origin, Failure failure) override {
        record.Record(commands.JobStage(), origin, failure);
    }
    bool StopRequested() const override { return stopRequested.load(); }
    void ShowProgress(int percent) override { progress.push_back(percent); }

    std::vector<sim::SimLogEntry> Entries(sim::SimLogEntry::Kind kind) const {
        std::vector<sim::SimLogEntry> out;
        for (auto& e : bus.Log())
            if (e.kind == kind) out.push_back(e);
        return out;
    }
    std::vector<sim::SimLogEntry> Requests() const { return Entries(sim::SimLogEntry::Kind::OutputReport); }

    static uint16_t Address(const std::vector<uint8_t>& r) { return static_cast<uint16_t>(r[5] << 8 | r[6]); }
};

}  // namespace zt::test
