#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "QtWindowFixture.h"
#include "support/NullPlatform.h"
#include "ui/qt/DialogUnits.h"

namespace zt {
namespace {

using test::QtWindowFixture;

struct QtWindow : QtWindowFixture {
    test::NullPlatform machine;
    Platform platform = machine.AsPlatform();
};

TEST(DialogUnits, ConvertLikeAWindowsDialog) {
    // The classic dialog font: 6 pixels average width, 13 pixels high.
    const qt::DialogUnits units{6, 13};
    EXPECT_EQ(units.ToPixels(320, 113), QSize(480, 184));
    EXPECT_EQ(units.ToPixels(244, 34, 69, 14), QRect(366, 55, 104, 23));  // Write EEPROM
    EXPECT_EQ(units.ToPixels(0, 0, 1, 1), QRect(0, 0, 2, 2));             // halves round up
    EXPECT_EQ(units.ToPixelsX(-2), -3);

    const qt::DialogUnits fromFont = qt::DialogUnits::ForFont(qt::TemplateFont(MainDialogTemplate()));
    EXPECT_GT(fromFont.baseX, 2);
    EXPECT_GT(fromFont.baseY, fromFont.baseX);
}

TEST_F(QtWindow, StartsWithTheDefaultsAndTheTemplatesLayout) {
    CZT51xxWriteEepromMPDlg dlg(window, platform);
    RunDialog(dlg, [&] {
        EXPECT_EQ(window.windowTitle(), "ZT5160 Write EEPROM (MP) v2.3 16K16B");
        EXPECT_FALSE(window.windowIcon().isNull());
        EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_TRUE(window.windowFlags() & Qt::WindowTitleHint);
        EXPECT_EQ(Edit(kIdVendorId)->text(), "3C4D");
        EXPECT_EQ(Edit(kIdProductId)->text(), "7351");
        EXPECT_EQ(Bar()->minimum(), 0);
        EXPECT_EQ(Bar()->maximum(), 100);
        EXPECT_EQ(Bar()->value(), 0);
        EXPECT_TRUE(Button(kIdExit)->isDefault());
        EXPECT_TRUE(Button(kIdWriteEeprom)->isEnabled());

        const std::set<int> hiddenAtStart = {kIdFileNameLabel, kIdFileNameEdit, kIdBrowse};
        const qt::DialogUnits& units = window.Units();
        EXPECT_EQ(window.size(), units.ToPixels(320, 113));
        for (const ControlTemplate& c : MainDialogTemplate().controls) {
            if (c.id == kIdStatic) continue;
            QWidget* control = window.Control(c.id);
            ASSERT_NE(control, nullptr) << c.id;
            const bool shown = (c.style & kStyleVisible) && !hiddenAtStart.count(c.id);
            EXPECT_EQ(control->isVisible(), shown) << c.id;
            EXPECT_EQ(control->geometry(), units.ToPixels(c.x, c.y, c.width, c.height)) << c.id;
        }
        Button(kIdExit)->click();
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(QtWindow, EnterInAnIdBoxAndEscapeCloseTheTool) {
    struct Case {
        int focus;
        Qt::Key key;
        int result;
    };
    for (const Case& c : {Case{kIdVendorId, Qt::Key_Return, 1}, Case{kIdProductId, Qt::Key_Enter, 1},
                          Case{kIdProductId, Qt::Key_Escape, 2}, Case{kIdExit, Qt::Key_Escape, 2}}) {
        qt::QtDialogWindow fresh;
        CZT51xxWriteEepromMPDlg dlg(fresh, platform);
        QTimer::singleShot(0, &fresh, [&] {
            QWidget* target = fresh.Control(c.focus);
            target->setFocus();
            QTest::keyClick(target, c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        });
        QTimer::singleShot(20000, &fresh, [&] { fresh.done(-1); });
        EXPECT_EQ(fresh.RunModal(dlg), c.result) << c.focus << " " << c.key;
        // The close procedure ran: the worker has stopped.
        EXPECT_TRUE(dlg.Job().State().workerFinished);
        EXPECT_FALSE(dlg.Job().WorkerRunning());
    }
}

TEST_F(QtWindow, WorkerCallsRunOnTheUiThreadAndReturnWhenHandled) {
    CZT51xxWriteEepromMPDlg dlg(window, platform);
    std::atomic<int> workerStage{0};
    std::vector<int> stageWhenProgressShown;
    std::vector<int> stageWhenBoxShown;
    window.onProgressChanged = [&](int) { stageWhenProgressShown.push_back(workerStage.load()); };
    answerBox = [&](QMessageBox&) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        stageWhenBoxShown.push_back(workerStage.load());
        return true;
    };
    std::vector<int> results;
    std::string vendorText;
    RunDialog(dlg, [&] {
        std::thread worker([&] {
            window.SetProgressPos(kIdProgress, 37);
            workerStage = 1;
            window.EnableControl(kIdWriteEeprom, false);
            vendorText = window.GetControlText(kIdVendorId);
            workerStage = 2;
            results.push_back(window.ShowMessageBox("Write to EEPROM OK! Please re-plugin USB device !!",
                                                    "Write to EEPROM...", MessageBoxIcon::Information));
            workerStage = 3;
            results.push_back(
                window.ShowMessageBox("Fail to Write EEPROM! [00030401]", "", MessageBoxIcon::None));
            workerStage = 4;
            window.SetProgressPos(kIdProgress, 150);  // beyond the range: shows as full
            workerStage = 5;
        });
        const bool finished = QTest::qWaitFor([&] { return workerStage.load() == 5; }, 10000);
        worker.join();
        ASSERT_TRUE(finished);
        EXPECT_EQ(Bar()->value(), 100);
        EXPECT_FALSE(Button(kIdWriteEeprom)->isEnabled());
        Button(kIdExit)->click();
    });

    EXPECT_EQ(stageWhenProgressShown, (std::vector<int>{0, 4}));
    EXPECT_EQ(stageWhenBoxShown, (std::vector<int>{2, 3}));
    EXPECT_EQ(results, (std::vector<int>{1, 1}));
    EXPECT_EQ(vendorText, "3C4D");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Write to EEPROM OK! Please re-plugin USB device !!");
    EXPECT_EQ(boxes[0].title, "Write to EEPROM...");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
    EXPECT_TRUE(boxes[0].ownedByWindow);
    EXPECT_EQ(boxes[0].modality, Qt::WindowModal);
    EXPECT_EQ(boxes[1].title, QCoreApplication::applicationName().toStdString());
    EXPECT_EQ(boxes[1].icon, QMessageBox::NoIcon);
}

TEST_F(QtWindow, TheUiThreadKeepsRunningWhileTheWorkerWaitsInABox) {
    CZT51xxWriteEepromMPDlg dlg(window, platform);
    QMessageBox* open = nullptr;
    answerBox = [&](QMessageBox& box) {
        open = &box;
        return false;
    };
    std::atomic<bool> returned{false};
    RunDialog(dlg, [&] {
        std::thread worker([&] {
            window.ShowMessageBox(
                "Please re-plugin USB device and MUST wait for USB device being recognized.\n"
                "Then press button to continue writting EEPROM!!",
                "Write to EEPROM...", MessageBoxIcon::Information);
            returned = true;
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return open != nullptr; }, 10000));
        // The window still handles its own events: a notice-like call goes through.
        window.SetControlText(kIdMarker, ".");
        EXPECT_EQ(qobject_cast<QLabel*>(window.Control(kIdMarker))->text(), ".");
        EXPECT_FALSE(returned.load());
        EXPECT_NE(boxes.at(0).text.find('\n'), std::string::npos);
        open->button(QMessageBox::Ok)->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 10000));
        worker.join();
        Button(kIdExit)->click();
    });
    EXPECT_TRUE(returned.load());
}

TEST_F(QtWindow, ClosingReleasesAWorkerWaitingOnTheWindow) {
    CZT51xxWriteEepromMPDlg dlg(window, platform);
    answerBox = [&](QMessageBox&) {
        // Nobody answers; the tool is closed instead.
        window.EndDialog(1);
        return false;
    };
    std::promise<int> boxResult;
    std::thread worker;
    const auto closeStarted = std::chrono::steady_clock::now();
    const int result = RunDialog(dlg, [&] {
        worker = std::thread([&] {
            boxResult.set_value(
                window.ShowMessageBox("Fail to Write EEPROM! [010A0D02]", "", MessageBoxIcon::None));
        });
    });
    EXPECT_EQ(result, 1);
    auto returned = boxResult.get_future();
    ASSERT_EQ(returned.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(returned.get(), 1);
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - closeStarted, std::chrono::seconds(5));

    // After the close, calls from other threads come back at once.
    std::thread late([&] {
        window.SetProgressPos(kIdProgress, 50);
        EXPECT_EQ(window.GetControlText(kIdVendorId), "");
        window.ShowMessageBox("late", "", MessageBoxIcon::None);
    });
    late.join();
    EXPECT_EQ(boxes.size(), 1u);
}

}  // namespace
}  // namespace zt
