#include <gtest/gtest.h>

#include "app/DialogTemplate.h"
#include "device/PortScope.h"
#include "job/WriteJobFixture.h"
#include "platform/InProcessUnitLocks.h"

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
        window.onNotice = [this](const DeviceNotice& notice) {
            if (dlg) dlg->HandleDeviceChange(notice);
        };
        dlg->OnInitDialog();
        started = true;
    }
    // The Write button of a front end: the job's own open chooses its unit.
    bool RunJob() {
        scope.BindOnJobOpen();
        return RunWriteJob();
    }
    // The chip boots as its variant's updater device (3C4D:735F for B's
    // image, 735E... as the chip model has it).
    void MakeUpdater(int chip) {
        bus.SetEeprom(chip, 0, std::vector<uint8_t>(8, 0xFF));
        bus.Replug(chip);
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
    ASSERT_TRUE(RunJob());
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
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(BoxTexts().back(), "Fail to Write EEPROM! [010A0D02]");
    EXPECT_EQ(bus.Eeprom(second), secondBefore);
}

// A dialog that stays open runs job after job. The completion re-plug that
// the last box asks for re-opens the finished unit while idle, but binds
// nothing: the next board, on another port, is the next job's unit.
TEST_F(UnitIdentity, EachJobOfAnOpenDialogBindsItsOwnUnit) {
    const int third = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    for (const int chip : {first, second, third}) {
        window.onMessageBox = [this, chip](const test::FakeWindow::MessageBox& box) {
            if (box.text == test::kReplugPrompt) bus.Replug(chip);
            if (box.text != test::kCompletion) return;
            scope.Unbind();    // the front end hears of the job's end first
            bus.Replug(chip);  // then the operator re-plugs as the box asks
        };
        ASSERT_TRUE(RunJob());
        EXPECT_EQ(BoxTexts().back(), test::kCompletion) << "chip " << chip;
        EXPECT_TRUE(EepromHoldsImage(chip == second ? kImageB : kImageA, chip));
        EXPECT_TRUE(scope.Port().empty());
        EXPECT_TRUE(locks.TryClaim(bus.Port(chip)).Claimed());  // free for another job
        locks.Release(bus.Port(chip));
        bus.Unplug(chip);  // the operator takes the written unit away
    }
}

// The IDs typed into the boxes choose the unit, not the device the dialog
// happened to open at start-up.
TEST_F(UnitIdentity, TheTypedIdsChooseTheUnit) {
    MakeUpdater(second);
    const auto firstBefore = bus.Eeprom(first);
    StartDialog();
    window.SetControlText(kIdProductId, "735F");
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(BoxTexts().back(), test::kCompletion);
    EXPECT_EQ(scope.Port(), bus.Port(second));
    EXPECT_TRUE(EepromHoldsImage(kImageB, second));
    EXPECT_EQ(bus.Eeprom(first), firstBefore);
}

TEST_F(UnitIdentity, AUnitHeldByAnotherJobIsPassedOverUntilThatJobEnds) {
    ASSERT_TRUE(locks.TryClaim(bus.Port(first)).Claimed());
    StartDialog();
    scope.BindOnJobOpen();
    ASSERT_FALSE(Failed(dlg->Job().Device().OpenKnownDevice()));
    EXPECT_EQ(dlg->Job().OpenDeviceIds().productId, 0x7351);  // the second unit, B's image has the same IDs
    EXPECT_EQ(scope.Port(), bus.Port(second));
    EXPECT_EQ(scope.HeldElsewhere(), std::vector<std::string>{bus.Port(first)});

    // Once that job has ended, the dialog's next job may take the unit.
    locks.Release(bus.Port(first));
    scope.Unbind();
    bus.Unplug(second);
    scope.BindOnJobOpen();
    ASSERT_FALSE(Failed(dlg->Job().Device().OpenKnownDevice()));
    EXPECT_EQ(scope.Port(), bus.Port(first));
    EXPECT_TRUE(scope.HeldElsewhere().empty());
}

}  // namespace
}  // namespace zt
