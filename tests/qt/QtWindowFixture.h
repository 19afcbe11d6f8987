#pragma once
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "ui/qt/QtDialogWindow.h"

namespace zt::test {

// What a message box looked like when it came up.
struct SeenBox {
    std::string text;
    std::string title;
    QMessageBox::Icon icon;
    bool ownedByWindow;
    Qt::WindowModality modality;
};

// A real window on the offscreen platform. Message boxes are recorded and
// answered with OK as soon as they are up, unless a test says otherwise.
struct QtWindowHarness {
    qt::QtDialogWindow window;
    std::vector<SeenBox> boxes;
    std::function<bool(QMessageBox&)> answerBox = [](QMessageBox&) { return true; };

    QtWindowHarness() {
        window.onMessageBoxShown = [this](QMessageBox& box) {
            boxes.push_back({box.text().toStdString(), box.windowTitle().toStdString(), box.icon(),
                             box.parentWidget() == &window, box.windowModality()});
            // Answered from the event queue, as an operator would: after
            // whatever the box's appearance has just posted (re-plug notices).
            if (answerBox(box)) QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
        };
    }

    // Runs the dialog modally. `whileOpen` runs once its loop is up and must
    // end it somehow; a guard ends a run that hangs, with result -1.
    int RunDialog(CZT51xxWriteEepromMPDlg& dlg, std::function<void()> whileOpen, int guardMs = 20000) {
        QTimer::singleShot(0, &window, std::move(whileOpen));
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &window, [this] { window.done(-1); });
        guard.start(guardMs);
        return window.RunModal(dlg);
    }

    // Runs the event loop until `condition` holds or `timeoutMs` have passed.
    // Unlike QTest::qWaitFor it does not nap between rounds, so a worker
    // that waits on the window many thousand times is served at full speed.
    static bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 60000) {
        if (condition()) return true;
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (condition()) loop.quit();
        });
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        poll.start(1);
        loop.exec();
        return condition();
    }

    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(window.Control(id)); }
    QPushButton* Button(int id) { return qobject_cast<QPushButton*>(window.Control(id)); }
    QProgressBar* Bar() { return qobject_cast<QProgressBar*>(window.Control(kIdProgress)); }
};

struct QtWindowFixture : ::testing::Test, QtWindowHarness {};

}  // namespace zt::test
