#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/SimDialogFixture.h"

namespace zt::test {

// A dialog (no worker) connected over HID to one chip of variant A whose
// header copy at 0x4010 holds kHeaderCopy, ready to run commands; the bus log
// starts empty.
struct ProtocolFixture : SimDialogFixture {
    static inline const std::vector<uint8_t> kHeaderCopy = {0x57, 0x54, 0x43, 0x00, 0x12, 0x34, 0x56, 0x78};
    CZT51xxWriteEepromMPDlg* d = nullptr;

    void SetUp() override {
        bus.AddFactoryChip(sim::ChipVariant::A);
        bus.SetEeprom(0, 0x4010, kHeaderCopy);
        d = &MakeDialog();
        d->workerRun.store(1);
        d->audioDeviceName = "MarluUAC";
        ASSERT_EQ(d->OpenDeviceById(bus.VendorId(), bus.ProductId()), kOk);
        bus.ClearLog();
    }

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
