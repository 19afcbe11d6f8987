#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <string>

#include "app/CZT51xxWriteEepromMPApp.h"
#include "app/DialogTemplate.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/qt/QtInstanceLock.h"

namespace zt {
namespace {

// Each test process has its own scope, so parallel test runs and a tool that
// happens to be running do not meet.
QString TestScope(const char* name) {
    return QStringLiteral("test-%1-%2").arg(QCoreApplication::applicationPid()).arg(QLatin1String(name));
}

TEST(QtInstanceLock, SecondStartRaisesTheFirstAndRunsNoDialog) {
    const std::string title(kMainWindowTitle);
    qt::QtInstanceLock first(TestScope("raise"));
    qt::QtInstanceLock second(TestScope("raise"));
    qt::QtDialogWindow window;
    window.SetInstanceLock(&first);

    // Before the running window has taken its title, nothing is found.
    EXPECT_FALSE(second.ActivateExisting(title));

    window.SetWindowTitle(title);
    window.showMinimized();
    int dialogsRun = 0;
    CZT51xxWriteEepromMPApp app(second, [&] { return ++dialogsRun; });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(app.ActivatedOtherInstance());
    EXPECT_EQ(dialogsRun, 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return first.ActivationsReceived() == 1; }, 10000));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());

    // Another title is another tool.
    EXPECT_FALSE(second.ActivateExisting("ZT5150L Write EEPROM (MP)"));
}

TEST(QtInstanceLock, AnInstanceThatEndedLeavesNothingBehind) {
    const std::string title(kMainWindowTitle);
    {
        qt::QtInstanceLock gone(TestScope("gone"));
        qt::QtDialogWindow window;
        ASSERT_TRUE(gone.Announce(title, &window));
    }
    qt::QtInstanceLock next(TestScope("gone"));
    EXPECT_FALSE(next.ActivateExisting(title));
    qt::QtDialogWindow window;
    EXPECT_TRUE(next.Announce(title, &window));
}

}  // namespace
}  // namespace zt
