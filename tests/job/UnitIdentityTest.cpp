#include <gtest/gtest.h>

#include "job/WriteJobFixture.h"
#include "platform/InProcessUnitLocks.h"
#include "platform/PortScope.h"

namespace zt {
namespace {

using sim::ChipVariant;

// A job belongs to the unit it started on: the one on its port, with the chip
// identifier its image was chosen for.
struct UnitIdentity : test::WriteJobFixture {
    int first = bus.AddFactoryChip(ChipVariant::A);
    int second = bus.AddFactoryChip(ChipVariant::B);
    InProcessUnitLocks locks;
    PortScope scope{bus.AsPlatform(), locks};

    UnitIdentity() { bus.ClearLog(); }
    // The dialog started on the scoped view of the bus.
    void StartDialog() {
        dlg = std::make_unique<CZT51xxWriteEepromMPDlg>(window, scope.AsPlatform());
        window.onNotice = [this](uint32_t code, const DeviceBroadcast& rec) {
            if (dlg) dlg->HandleDeviceChange(code, &rec);
        };
        dlg->OnInitDialog();
        started = true;
    }
};

TEST_F(UnitIdentity, ABoardWithAnotherChipIdentifierAtTheRePlugFailsBeforeAnyWrite) {
    StartDialog();
    window.onMessageBox = [this](const test::FakeWindow::MessageBox& box) {
        if (box.text != test::kReplugPrompt) return;
        // The operator puts a chip of the other variant into the same port.
        bus.Unplug(first);
        bus.SetRegister(first, 0xB9, 0x73);
        bus.SetRegister(first, 0xB8, 0xB5);
        bus.Plug(first);
    };
    ASSERT_TRUE(RunWriteJob());
    EXPECT_EQ(BoxTexts().back(), "Fail to Write EEPROM! [010A1201]");
    EXPECT_EQ(scope.Port(), bus.Port(first));
    // After the re-plug the chip was only asked who it is.
    const auto requests = Requests();
    const auto prompt =
        std::find_if(requests.begin(), requests.end(), [](const test::Request& r) { return r.IsErase(); });
    ASSERT_NE(prompt, requests.end());
    EXPECT_EQ(std::count_if(prompt, requests.end(), [](const test::Request& r) { return r.IsEepromWrite(); }),
              0);
}

// The chip that comes back must answer as the preflight requires, status
// byte included: a chip that reports a non-zero status is not written.
TEST_F(UnitIdentity, AChipThatComesBackWithANonZeroStatusIsNotWritten) {
    StartDialog();
    window.onMessageBox = [this](const test::FakeWindow::MessageBox& box) {
        if (box.text != test::kReplugPrompt) return;
        bus.Unplug(first);
        bus.SetRegister(first, 0xB1, 0x01);
        bus.Plug(first);
    };
    ASSERT_TRUE(RunWriteJob());
    EXPECT_EQ(BoxTexts().back(), "Fail to Write EEPROM! [010A1201]");
    EXPECT_EQ(CountRequests([](const test::Request& r) { return r.IsEepromWrite(); }), 1u);  // marker 1
}

TEST_F(UnitIdentity, AnotherUnitArrivingDuringTheWaitIsNotOurs) {
    const auto secondBefore = bus.Eeprom(second);
    StartDialog();
    window.onMessageBox = [this](const test::FakeWindow::MessageBox& box) {
        if (box.text != test::kReplugPrompt) return;
        // Our unit stays away; the other one is re-plugged meanwhile.
        bus.Unplug(first);
        bus.Replug(second);
    };
    ASSERT_TRUE(RunWriteJob());
    EXPECT_EQ(BoxTexts().back(), "Fail to Write EEPROM! [010A0D02]");
    EXPECT_EQ(bus.Eeprom(second), secondBefore);
}

// A dialog that stays open runs job after job: each job fixes its own port,
// so the next unit may be plugged in anywhere, and the last one's claim is
// given up for other jobs.
TEST_F(UnitIdentity, EachJobOfAnOpenDialogBindsItsOwnUnit) {
    StartDialog();
    ReplugOnPrompt(first);
    ASSERT_TRUE(RunWriteJob());
    ASSERT_EQ(scope.Port(), bus.Port(first));
    scope.Unbind();
    EXPECT_TRUE(locks.TryClaim(bus.Port(first)));  // free for another job now
    locks.Release(bus.Port(first));

    bus.Unplug(first);  // the operator takes the written unit away
    ReplugOnPrompt(second);
    ASSERT_TRUE(RunWriteJob());
    EXPECT_EQ(BoxTexts().back(), "Write to EEPROM OK! Please re-plugin USB device !!");
    EXPECT_EQ(scope.Port(), bus.Port(second));
    EXPECT_TRUE(EepromHoldsImage(kImageB, second));
}

TEST_F(UnitIdentity, AUnitHeldByAnotherJobIsPassedOver) {
    ASSERT_TRUE(locks.TryClaim(bus.Port(first)));
    StartDialog();
    EXPECT_EQ(dlg->deviceProductId.load(), 0x7351);  // the second unit, B's image has the same IDs
    EXPECT_EQ(scope.Port(), bus.Port(second));
    EXPECT_EQ(scope.HeldElsewhere(), std::vector<std::string>{bus.Port(first)});
    locks.Release(bus.Port(first));
}

}  // namespace
}  // namespace zt
