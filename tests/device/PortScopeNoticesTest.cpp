#include <gtest/gtest.h>

#include <vector>

#include "device/PortScope.h"
#include "platform/InProcessUnitLocks.h"
#include "support/NullPlatform.h"

namespace zt {
namespace {

// A notice source whose notices the test posts by hand, as a backend's notice
// thread would.
struct HandPostedNotices : test::NullPlatform {
    DeviceNoticeRecipient* recipient = nullptr;
    uintptr_t Register(DeviceNoticeRecipient& r) override {
        recipient = &r;
        return 1;
    }
    void Unregister(uintptr_t) override { recipient = nullptr; }
};

struct NoticeList : DeviceNoticeRecipient {
    std::vector<DeviceNotice> notices;
    void PostDeviceChange(const DeviceNotice& notice) override { notices.push_back(notice); }
};

constexpr auto kArrival = DeviceNotice::Kind::Arrival;
constexpr auto kRemoval = DeviceNotice::Kind::Removal;

struct PortScopeNotices : ::testing::Test {
    HandPostedNotices machine;
    InProcessUnitLocks locks;
    PortScope scope{machine.AsPlatform(), locks};
    NoticeList dialog;
    std::vector<DeviceNotice> elsewhere;

    PortScopeNotices() {
        scope.AsPlatform().notices.Register(dialog);
        scope.OnArrivalElsewhere([this](const DeviceNotice& n) { elsewhere.push_back(n); });
    }
    void Post(DeviceNotice::Kind kind, uint16_t pid, const std::string& port, uint16_t vid = 0x3C4D) {
        machine.recipient->PostDeviceChange(DeviceNotice{kind, vid, pid, port, "node " + port});
    }
};

TEST_F(PortScopeNotices, ABoundScopeKeepsOtherPortsFromTheDialogAndReportsTheirKnownArrivals) {
    ASSERT_TRUE(scope.Pin("1-1.1").Claimed());
    Post(kRemoval, 0x7351, "1-1.1");
    Post(kArrival, 0x735E, "1-1.1");
    Post(kArrival, 0x7351, "1-1.2");  // another unit plugged in
    Post(kArrival, 0x735F, "1-1.3");  // an updater elsewhere
    Post(kRemoval, 0x7351, "1-1.2");  // removals elsewhere are nobody's business
    Post(kArrival, 0x7352, "1-1.4");  // not one of ours
    Post(kArrival, 0x7351, "1-1.5", 0x1234);
    Post(kArrival, 0x7351, "");  // port unknown: may be ours

    ASSERT_EQ(dialog.notices.size(), 3u);
    EXPECT_EQ(dialog.notices[0].kind, kRemoval);
    EXPECT_EQ(dialog.notices[1].productId, 0x735E);
    EXPECT_EQ(dialog.notices[2].port, "");

    ASSERT_EQ(elsewhere.size(), 2u);
    EXPECT_EQ(elsewhere[0].port, "1-1.2");
    EXPECT_EQ(elsewhere[0].node, "node 1-1.2");
    EXPECT_EQ(elsewhere[1].productId, 0x735F);

    // A cleared listener is not called again.
    scope.OnArrivalElsewhere({});
    Post(kArrival, 0x7351, "1-1.2");
    EXPECT_EQ(elsewhere.size(), 2u);
}

// Unbound, the dialog sees every unit except those another job holds; an
// arrival there is that job's, not news for the operator.
TEST_F(PortScopeNotices, AnUnboundScopeReportsNothingElsewhere) {
    ASSERT_TRUE(locks.TryClaim("1-1.2").Claimed());
    EXPECT_FALSE(scope.Pin("1-1.2").Claimed());
    Post(kArrival, 0x7351, "1-1.1");
    Post(kArrival, 0x7351, "1-1.2");
    ASSERT_EQ(dialog.notices.size(), 1u);
    EXPECT_EQ(dialog.notices[0].port, "1-1.1");
    EXPECT_TRUE(elsewhere.empty());
}

}  // namespace
}  // namespace zt
