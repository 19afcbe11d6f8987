#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>
#include <string>

#include "app/CZT51xxWriteEepromMPApp.h"
#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "support/NullPlatform.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/qt/QtInstanceLock.h"
#include "ui/qt/TerminationSignals.h"

namespace zt {
namespace {

// Each test has its own private folder, so parallel test runs and a tool that
// happens to be running do not meet.
struct QtInstanceLockTest : ::testing::Test {
    QTemporaryDir folder;
    const std::string title{kMainWindowTitle};

    QStringList FilesLeft() const { return QDir(folder.path()).entryList(QDir::Files | QDir::System); }
};

TEST_F(QtInstanceLockTest, SecondStartRaisesTheFirstAndRunsNoDialog) {
    qt::QtInstanceLock first(folder.path());
    qt::QtInstanceLock second(folder.path());
    second.SetListenWaitMs(0);
    qt::QtDialogWindow window;
    window.SetInstanceLock(&first);
    EXPECT_FALSE(first.ActivateExisting(title));

    // Started at the same moment: the first has not got its window yet, and
    // still the second does not run beside it.
    EXPECT_TRUE(second.ActivateExisting(title));
    EXPECT_FALSE(second.ReachedOtherInstance());

    window.SetWindowTitle(title);
    window.showMinimized();
    int dialogsRun = 0;
    CZT51xxWriteEepromMPApp app(second, [&] { return ++dialogsRun; });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(app.ActivatedOtherInstance());
    EXPECT_TRUE(second.ReachedOtherInstance());
    EXPECT_EQ(dialogsRun, 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return first.ActivationsReceived() == 1; }, 10000));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());

    // Another title is another tool.
    EXPECT_FALSE(second.ActivateExisting("ZT5150L Write EEPROM (MP)"));
}

TEST_F(QtInstanceLockTest, AnInstanceThatEndedLeavesNothingBehind) {
    {
        qt::QtInstanceLock gone(folder.path());
        qt::QtDialogWindow window;
        ASSERT_TRUE(gone.Announce(title, &window));
    }
    EXPECT_TRUE(FilesLeft().isEmpty()) << FilesLeft().join(' ').toStdString();
    qt::QtInstanceLock next(folder.path());
    EXPECT_FALSE(next.ActivateExisting(title));
    qt::QtDialogWindow window;
    EXPECT_TRUE(next.Announce(title, &window));
}

TEST_F(QtInstanceLockTest, TheLockOfAProcessThatDiedIsTakenOver) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    {
        // What a killed instance leaves: its lock, naming it, and its socket.
        QFile lock(folder.filePath(QStringLiteral("ZT5160-Write-EEPROM-MP-v2.3-16K16B.lock")));
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(child) + '\n' + QCoreApplication::applicationName().toUtf8() + "\n\n");
        QFile socket(folder.filePath(QStringLiteral("ZT5160-Write-EEPROM-MP-v2.3-16K16B.sock")));
        ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    }
    qt::QtInstanceLock next(folder.path());
    next.SetListenWaitMs(0);
    EXPECT_FALSE(next.ActivateExisting(title));
    qt::QtDialogWindow window;
    EXPECT_TRUE(next.Announce(title, &window));
}

TEST_F(QtInstanceLockTest, OnlyAPrivateFolderOfThisUserIsUsed) {
    QString why;
    // A private $XDG_RUNTIME_DIR is used as it is.
    EXPECT_EQ(qt::QtInstanceLock::PrivateFolder(folder.path(), QStringLiteral("/nonexistent"), &why),
              folder.path());

    // Without one, a folder of our own in the temporary folder, made private.
    QTemporaryDir tempRoot;
    const QString own = QStringLiteral("%1/zt51xx-mp-%2").arg(tempRoot.path()).arg(::getuid());
    EXPECT_EQ(qt::QtInstanceLock::PrivateFolder(QString(), tempRoot.path(), &why), own);
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(own).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // What another user could have put at that predictable name first.
    const auto refused = [&](const char* squat, const std::function<void(const QByteArray&)>& plant) {
        QTemporaryDir root;
        const QByteArray path =
            QFile::encodeName(QStringLiteral("%1/zt51xx-mp-%2").arg(root.path()).arg(::getuid()));
        plant(path);
        EXPECT_TRUE(qt::QtInstanceLock::PrivateFolder(QString(), root.path(), &why).isEmpty()) << squat;
        EXPECT_FALSE(why.isEmpty()) << squat;
    };
    refused("a link to a folder of theirs", [&](const QByteArray& path) {
        ASSERT_EQ(::symlink(QFile::encodeName(tempRoot.path()).constData(), path.constData()), 0);
    });
    refused("a folder anyone can write to", [&](const QByteArray& path) {
        ASSERT_EQ(::mkdir(path.constData(), 0700), 0);
        ASSERT_EQ(::chmod(path.constData(), 0777), 0);
    });
    if (::getuid() == 0) {
        refused("a folder of another user", [&](const QByteArray& path) {
            ASSERT_EQ(::mkdir(path.constData(), 0700), 0);
            ASSERT_EQ(::chown(path.constData(), 65534, 65534), 0);
        });
    }
}

TEST_F(QtInstanceLockTest, WithoutAPrivateFolderTheToolDoesNotStartAndNamesThePath) {
    // No $XDG_RUNTIME_DIR, and a link planted at the fallback's name: the
    // tool must not run without the single-instance rule.
    QTemporaryDir root;
    const QString fallback = QStringLiteral("%1/zt51xx-mp-%2").arg(root.path()).arg(::getuid());
    ASSERT_EQ(
        ::symlink(QFile::encodeName(folder.path()).constData(), QFile::encodeName(fallback).constData()), 0);
    const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR"), tempDir = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(root.path()));
    qt::QtInstanceLock lock;
    const bool stops = lock.ActivateExisting(title);
    for (const auto& [name, value] : {std::pair{"XDG_RUNTIME_DIR", runtimeDir}, std::pair{"TMPDIR", tempDir}})
        value.isNull() ? qunsetenv(name) : qputenv(name, value);

    EXPECT_TRUE(stops);
    EXPECT_FALSE(lock.ReachedOtherInstance());
    EXPECT_TRUE(lock.Refusal().contains(fallback)) << lock.Refusal().toStdString();
    EXPECT_FALSE(lock.Refusal().contains(u'\n'));
    EXPECT_TRUE(FilesLeft().isEmpty());  // nothing went through the link
}

TEST_F(QtInstanceLockTest, ASignalClosesTheDialogAndRemovesTheInstanceFiles) {
    test::NullPlatform machine;
    Platform platform = machine.AsPlatform();
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        {
            qt::QtInstanceLock lock(folder.path());
            ASSERT_FALSE(lock.ActivateExisting(title));
            qt::QtDialogWindow window;
            window.SetInstanceLock(&lock);
            qt::TerminationSignals terminations;
            ASSERT_TRUE(terminations.IsActive());
            int received = 0;
            QObject::connect(&terminations, &qt::TerminationSignals::received, &window, [&](int n) {
                received = n;
                window.EndDialog(2);
            });
            CZT51xxWriteEepromMPDlg dlg(window, platform);
            QTimer::singleShot(0, &window, [&] {
                EXPECT_EQ(FilesLeft().size(), 2);  // the lock and the socket
                std::raise(signalNumber);
            });
            QTimer::singleShot(20000, &window, [&] { window.done(-1); });
            EXPECT_EQ(window.RunModal(dlg), 2) << signalNumber;
            EXPECT_EQ(received, signalNumber);
            EXPECT_TRUE(dlg.Job().State().workerFinished);  // the close procedure ran
        }
        EXPECT_TRUE(FilesLeft().isEmpty()) << FilesLeft().join(' ').toStdString();
    }
}

}  // namespace
}  // namespace zt
