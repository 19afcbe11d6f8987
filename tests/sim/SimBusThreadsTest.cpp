#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/DeviceNotices.h"
#include "sim/SimBus.h"
#include "sim/SimClock.h"
#include "sim/SimHost.h"

namespace zt::sim {
namespace {

using test::SimHost;

// One thread trades reports with the chip while another pulls and re-plugs it
// and a third looks at the bus, as the worker, the operator and the UI thread
// do. Every exchange either completes with its own tag or fails cleanly, and
// notices arrive strictly alternating.
TEST(SimBusThreads, ExchangesSurviveReplugsFromAnotherThread) {
    SimClock clock;
    SimBus bus{clock};
    bus.AddChip(ChipVariant::A, {});

    struct Recipient : DeviceNoticeRecipient {
        std::atomic<DeviceNotice::Kind> last{DeviceNotice::Kind::Arrival};
        std::atomic<int> outOfOrder{0};
        void PostDeviceChange(const DeviceNotice& notice) override {
            if (notice.kind == last.exchange(notice.kind)) ++outOfOrder;
        }
    } recipient;
    bus.notices().Register(recipient);

    std::atomic<bool> stop{false};
    std::atomic<int> matched{0}, wrong{0};
    std::thread worker([&] {
        uint8_t tag = 0;
        while (!stop) {
            SimHost host{bus};
            if (!host.Open()) continue;
            for (int i = 0; i < 50 && !stop; ++i) {
                ++tag;
                if (host.Send(SimHost::RegisterRead(tag, 0xB9)) < 0) break;
                int n = 0;
                auto reply = host.Receive(&n, 0);
                if (n <= 0) break;
                (reply[7] == tag && reply[8] == 0x73 ? matched : wrong)++;
            }
            bus.hid().Close(host.writeHandle);
            bus.hid().Close(host.readHandle);
        }
    });
    std::thread watcher([&] {
        while (!stop) {
            bus.hid().ListInterfaces();
            bus.usb().ListDevices();
            bus.Log();
        }
    });
    for (int i = 0; i < 200; ++i) {
        bus.Replug();
        std::this_thread::yield();
    }
    // Let the worker finish some exchanges on the chip it found plugged.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (matched < 100 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    stop = true;
    worker.join();
    watcher.join();

    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(recipient.outOfOrder, 0);
}

}  // namespace
}  // namespace zt::sim
