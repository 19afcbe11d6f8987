#include "TestbedChip.h"

namespace zt::test {

void TestbedChip::Plug() {
    UsbTestbed::DeviceSpec wanted;
    wanted.vendorId = bus_.VendorId(chip_);
    wanted.productId = bus_.ProductId(chip_);
    wanted.bcdDevice = bus_.BcdDevice(chip_);
    wanted.descriptor = VendorDescriptor(63);
    // Back into the port it came out of, as the operator does.
    wanted.port = port_;
    const int id = bed_.Add(wanted);
    port_ = bed_.PortOf(id);
    HidrawNode* node = &bed_.Node(id);
    // The chip's side of this plug-in: its own handles on the bus, one for
    // the reports going in and one for the replies coming out.
    const Handle w = bus_.hid().Open(bus_.Path(chip_), false);
    const Handle r = bus_.hid().Open(bus_.Path(chip_), true);
    node->SetReportHandler([this, node, w, r](const Bytes& report) {
        ReportWatch watch;
        {
            std::lock_guard lock(watchMutex_);
            watch = watch_;
        }
        if (watch) watch(report);
        HidrawNode::Answer answer;
        if (bus_.hid().Write(w, report.data(), report.size()) < 0) {
            if (!bus_.IsPlugged(chip_)) {
                node->HangUp();  // the cable is out: the node goes dead at once
                pulled_ = true;
            }
            answer.accepted = false;
            return answer;
        }
        uint8_t buffer[64];
        for (int got; (got = bus_.hid().Read(r, buffer, sizeof buffer, 0)) > 0;)
            answer.replies.emplace_back(buffer, buffer + got);
        return answer;
    });
    usbId_ = id;
}

void TestbedChip::Replug() {
    bed_.Unplug(usbId_.load());
    bus_.Replug(chip_);
    Plug();
}

void TestbedChip::SetReportWatch(ReportWatch watch) {
    std::lock_guard lock(watchMutex_);
    watch_ = std::move(watch);
}

}  // namespace zt::test
