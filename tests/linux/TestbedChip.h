#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "UsbTestbed.h"
#include "sim/SimBus.h"

namespace zt::test {

// One simulated chip plugged into the testbed, as the PC sees it: a USB
// device under the chip's current IDs with a 64-byte report interface whose
// output reports go to the chip and whose input reports are the chip's
// replies. A chip that is pulled in the middle of a report (an unplug fault)
// hangs its node up at once, as a dead hidraw node does; the testbed's
// removal is then up to the test (Unplug), as it is the kernel's own step.
class TestbedChip {
public:
    using Bytes = std::vector<uint8_t>;
    // Sees every output report on the testbed's thread, before the chip does.
    using ReportWatch = std::function<void(const Bytes& report)>;

    TestbedChip(UsbTestbed& bed, sim::SimBus& bus, int chip) : bed_(bed), bus_(bus), chip_(chip) {}

    // Adds the device with the IDs the chip presents now.
    void Plug();
    // The cable out and back in: the removal uevent, the chip boots again on
    // the bus (an updater device after an erase) and arrives under its new IDs.
    void Replug();
    // The removal uevent for the device as it is now.
    void Unplug() { bed_.Unplug(usbId_.load()); }

    void SetReportWatch(ReportWatch watch);

    int chip() const { return chip_; }
    int UsbId() const { return usbId_.load(); }
    HidrawNode& Node() { return bed_.Node(usbId_.load()); }
    // The chip went away in the middle of a report.
    bool Pulled() const { return pulled_.load(); }

private:
    UsbTestbed& bed_;
    sim::SimBus& bus_;
    const int chip_;
    std::atomic<int> usbId_{-1};
    std::string port_;  // "" until first plugged
    std::atomic<bool> pulled_{false};
    std::mutex watchMutex_;
    ReportWatch watch_;
};

}  // namespace zt::test
