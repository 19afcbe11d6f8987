#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <thread>

#include "QtWindowFixture.h"
#include "chip/EepromImage.h"
#include "sim/SimulatedMachine.h"
#include "support/NullPlatform.h"
#include "ui/qt/ScreenshotOnProgress.h"

namespace zt {
namespace {

using test::QtWindowFixture;

constexpr const char* kCompletion = "Write to EEPROM OK! Please re-plugin USB device !!";

bool IsJobOver(const std::vector<test::SeenBox>& boxes) {
    return std::any_of(boxes.begin(), boxes.end(), [](const test::SeenBox& b) {
        return b.text == kCompletion || b.text.rfind("Fail to Write EEPROM!", 0) == 0;
    });
}

TEST(QtWriteJobNoDevice, FailureIsShownAndTheButtonComesBack) {
    test::NullPlatform machine;
    Platform platform = machine.AsPlatform();
    test::QtWindowHarness f;
    CZT51xxWriteEepromMPDlg dlg(f.window, platform);
    f.RunDialog(dlg, [&] {
        f.Button(kIdWriteEeprom)->click();
        EXPECT_TRUE(f.Button(kIdWriteEeprom)->isEnabled());
        EXPECT_EQ(f.Bar()->value(), 0);
        // The code stays on the window after its box has gone.
        EXPECT_TRUE(f.window.findChild<QLabel*>(QStringLiteral("lastResult"))
                        ->text()
                        .startsWith(QStringLiteral("Last result: FAIL 00030401")));
        f.Button(kIdExit)->click();
    });
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0].text, "Fail to Write EEPROM! [00030401]");
    EXPECT_EQ(f.boxes[0].title, QCoreApplication::applicationName().toStdString());
    EXPECT_EQ(f.boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_TRUE(f.boxes[0].ownedByWindow);
}

TEST(QtWriteJobNoDevice, AScreenshotRunEndsWithTheJobThatFailedFirst) {
    test::NullPlatform machine;
    Platform platform = machine.AsPlatform();
    test::QtWindowHarness f;
    f.answerBox = [](QMessageBox&) { return false; };  // nobody is there to answer
    QTemporaryDir folder;
    const QString picture = folder.filePath(QStringLiteral("shot.png"));
    qt::ScreenshotOnProgress shot(f.window, picture, 40);
    CZT51xxWriteEepromMPDlg dlg(f.window, platform);
    // A run that hangs in its box is let out, to fail below rather than hang.
    QTimer::singleShot(5000, &f.window, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
        f.window.done(-1);
    });
    EXPECT_EQ(f.RunDialog(dlg, [&] { f.Button(kIdWriteEeprom)->click(); }), 1);
    ASSERT_TRUE(shot.EndedFirst());
    EXPECT_EQ(shot.EndedFirst()->Code(), 0x00030401u);
    EXPECT_FALSE(shot.Taken());
    EXPECT_FALSE(QFile::exists(picture));
}

// The window on the simulated chip with simulated time, the simulated
// operator re-plugging at the prompt as the tool itself does with --simulate.
struct SimulatedJobHarness : test::QtWindowHarness {
    std::unique_ptr<sim::SimulatedMachine> machine;
    Platform platform;
    std::unique_ptr<CZT51xxWriteEepromMPDlg> dlg;

    SimulatedJobHarness() : machine(MakeMachine()), platform(machine->AsPlatform()) {
        dlg = std::make_unique<CZT51xxWriteEepromMPDlg>(window, platform);
        window.onReplugRequested = [this] { machine->ReplugRequested(); };
    }
    static std::unique_ptr<sim::SimulatedMachine> MakeMachine() {
        sim::SimulatedMachine::Options options;
        options.simulatedClock = true;
        return std::make_unique<sim::SimulatedMachine>(options);
    }
};

struct QtSimulatedJob : ::testing::Test, SimulatedJobHarness {};

TEST_F(QtSimulatedJob, AWholeJobEndsFullWithTheCompletionMessage) {
    std::vector<int> positions;
    window.onProgressChanged = [&](int p) { positions.push_back(p); };
    RunDialog(*dlg, [&] {
        Button(kIdWriteEeprom)->click();
        EXPECT_FALSE(Button(kIdWriteEeprom)->isEnabled());
        ASSERT_TRUE(WaitUntil([&] { return IsJobOver(boxes) && Button(kIdWriteEeprom)->isEnabled(); }));
        EXPECT_EQ(Bar()->value(), 100);
        Button(kIdExit)->click();
    });

    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text.rfind("Please re-plugin USB device and MUST wait", 0), 0u);
    EXPECT_EQ(boxes[1].text, kCompletion);
    EXPECT_EQ(window.LastOutcome(), JobOutcome::Ok());
    for (const auto& box : boxes) {
        EXPECT_EQ(box.title, "Write to EEPROM...");
        EXPECT_EQ(box.icon, QMessageBox::Information);
        EXPECT_EQ(box.modality, Qt::WindowModal);
    }
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), 100);
    const auto eeprom = machine->Bus().Eeprom(machine->Chip());
    EXPECT_TRUE(std::equal(kImageA.begin(), kImageA.end(), eeprom.begin()));
}

TEST_F(QtSimulatedJob, ClosingDuringAJobDoesNotWaitForTheWorker) {
    // Close while the worker waits in the re-plug prompt, and while it is
    // moving the progress bar: either way it must be let go at once instead
    // of holding the close for its 6000 ms.
    for (bool atPrompt : {true, false}) {
        SimulatedJobHarness job;
        if (atPrompt) {
            job.answerBox = [&](QMessageBox&) {
                job.window.EndDialog(1);
                return false;
            };
        } else {
            job.window.onProgressChanged = [&](int p) {
                if (p >= 20) job.window.EndDialog(1);
            };
        }
        std::chrono::steady_clock::time_point closing;
        const int result = job.RunDialog(*job.dlg, [&] { job.Button(kIdWriteEeprom)->click(); });
        closing = std::chrono::steady_clock::now();
        EXPECT_EQ(result, 1) << atPrompt;
        EXPECT_TRUE(job.dlg->Job().State().workerFinished) << atPrompt;
        job.dlg.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(3)) << atPrompt;
    }
}

TEST_F(QtSimulatedJob, EnterAndEscapeDoNotEndAJobAndClosingAsksFirst) {
    std::vector<std::string> questions;
    window.onCloseQuestionShown = [&](QMessageBox& question) {
        questions.push_back(question.text().toStdString());
        question.button(QMessageBox::No)->click();
    };
    bool tried = false;
    window.onProgressChanged = [&](int p) {
        if (tried || p < 10) return;
        tried = true;
        QTest::keyClick(Edit(kIdVendorId), Qt::Key_Return);
        QTest::keyClick(Edit(kIdProductId), Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(&window, Qt::Key_Escape);
        QTest::keyClick(Button(kIdExit), Qt::Key_Return);
        window.close();            // the window manager's close
        Button(kIdExit)->click();  // Exit
    };
    const int result = RunDialog(*dlg, [&] {
        Button(kIdWriteEeprom)->click();
        ASSERT_TRUE(WaitUntil([&] { return IsJobOver(boxes) && Button(kIdWriteEeprom)->isEnabled(); }));
        // Idle again: Enter closes at once, as before the job.
        QTest::keyClick(Edit(kIdVendorId), Qt::Key_Return);
    });

    EXPECT_EQ(result, 1);
    EXPECT_TRUE(tried);
    EXPECT_EQ(window.LastOutcome(), JobOutcome::Ok());
    const auto eeprom = machine->Bus().Eeprom(machine->Chip());
    EXPECT_TRUE(std::equal(kImageA.begin(), kImageA.end(), eeprom.begin()));
    // The two closes asked, the keys did not.
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_NE(questions[0].find("EEPROM incomplete"), std::string::npos) << questions[0];
}

TEST_F(QtSimulatedJob, AnsweringYesClosesDuringAJob) {
    window.onCloseQuestionShown = [&](QMessageBox& question) { question.button(QMessageBox::Yes)->click(); };
    window.onProgressChanged = [&](int p) {
        if (p >= 20) window.close();
    };
    EXPECT_EQ(RunDialog(*dlg, [&] { Button(kIdWriteEeprom)->click(); }), 2);
    EXPECT_TRUE(dlg->Job().State().workerFinished);
    // The job the close stopped counts as interrupted, not as never run.
    ASSERT_TRUE(window.LastOutcome());
    EXPECT_EQ(window.LastOutcome()->kind, ResultKind::Interrupted);
}

TEST_F(QtSimulatedJob, TheLastOutcomeStaysUntilTheNextJobStarts) {
    const auto* line = window.findChild<QLabel*>(QStringLiteral("lastResult"));
    ASSERT_NE(line, nullptr);
    // In a spot of the template where no control shows.
    for (const ControlTemplate& c : MainDialogTemplate().controls) {
        if (c.id == kIdStatic || !window.Control(c.id)->isVisibleTo(&window)) continue;
        EXPECT_FALSE(line->geometry().intersects(window.Control(c.id)->geometry())) << c.id;
    }
    RunDialog(*dlg, [&] {
        Button(kIdWriteEeprom)->click();
        ASSERT_TRUE(WaitUntil([&] { return IsJobOver(boxes) && Button(kIdWriteEeprom)->isEnabled(); }));
        EXPECT_EQ(line->text(), "Last result: OK");
        Button(kIdWriteEeprom)->click();
        EXPECT_EQ(line->text(), "");
        window.EndDialog(1);
    });
}

TEST_F(QtSimulatedJob, NoticesFromAnotherThreadReachTheDialog) {
    RunDialog(*dlg, [&] {
        ASSERT_EQ(dlg->Job().OpenDeviceIds().vendorId, 0x3C4D);  // opened at start-up
        std::thread([&] { machine->Bus().Unplug(machine->Chip()); }).join();
        EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->Job().OpenDeviceIds().vendorId == 0xFFFF; }, 10000));
        std::thread([&] { machine->Bus().Plug(machine->Chip()); }).join();
        EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->Job().OpenDeviceIds().vendorId == 0x3C4D; }, 10000));
        Button(kIdExit)->click();
    });
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace zt
