#include "ui/qt/QtInstanceLock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>
#include <QtGlobal>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zt::qt {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kRetryPauseMs = 50;
constexpr QByteArrayView kActivateRequest = "activate\n";

// The title as a file name: runs of anything but letters, digits and dots
// become one '-'.
QString FileStem(const std::string& windowTitle) {
    QString stem;
    for (const QChar c : QString::fromStdString(windowTitle)) {
        if (c.isLetterOrNumber() || c == u'.')
            stem += c;
        else if (!stem.endsWith(u'-'))
            stem += u'-';
    }
    while (stem.endsWith(u'-')) stem.chop(1);
    return stem;
}

#if defined(Q_OS_UNIX)
// A real folder (not a link to one) of this user that nobody else can enter:
// then nobody else can have put a lock or a socket in it either.
bool IsPrivateFolder(const QString& path, QString* why) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        *why = QStringLiteral("%1 cannot be created").arg(path);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        *why = QStringLiteral("%1 is not a folder").arg(path);
        return false;
    }
    if (info.st_uid != ::getuid()) {
        *why = QStringLiteral("%1 belongs to another user").arg(path);
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        *why = QStringLiteral("other users can enter %1").arg(path);
        return false;
    }
    return true;
}
#endif

}  // namespace

QtInstanceLock::QtInstanceLock(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {}

QtInstanceLock::~QtInstanceLock() {
    // The socket goes first, so that whoever takes the lock next finds no
    // leftover of ours; closing the server removes its file.
    delete server_;
    server_ = nullptr;
    if (lock_) lock_->unlock();
}

QString QtInstanceLock::PrivateFolder(const QString& xdgRuntimeDir, const QString& tempRoot, QString* why) {
    QString reason;
#if defined(Q_OS_UNIX)
    if (!xdgRuntimeDir.isEmpty() && IsPrivateFolder(xdgRuntimeDir, &reason)) return xdgRuntimeDir;
    const QString fallback = QStringLiteral("%1/zt51xx-mp-%2").arg(tempRoot).arg(::getuid());
    // mkdir fails on any name that exists, a planted link included; whatever
    // is there is then checked like a folder we did not make.
    ::mkdir(QFile::encodeName(fallback).constData(), 0700);
    if (IsPrivateFolder(fallback, &reason)) return fallback;
#else
    (void)xdgRuntimeDir;
    (void)tempRoot;
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!own.isEmpty() && QDir().mkpath(own)) return own;
    reason = QStringLiteral("no folder for application data");
#endif
    if (why) *why = reason;
    return QString();
}

bool QtInstanceLock::ResolveFolder() {
    if (!folderResolved_) {
        folderResolved_ = true;
        if (folder_.isEmpty()) {
            QString why;
            folder_ = PrivateFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), &why);
            if (folder_.isEmpty())
                refusal_ = QStringLiteral("no private folder for the single-instance lock: %1; not starting")
                               .arg(why);
        }
    }
    return !folder_.isEmpty();
}

QString QtInstanceLock::PathFor(const std::string& windowTitle, const char* suffix) const {
    return folder_ + u'/' + FileStem(windowTitle) + QLatin1String(suffix);
}

bool QtInstanceLock::TakeLock(const std::string& windowTitle) {
    if (lock_ && lock_->isLocked()) return true;
    lock_ = std::make_unique<QLockFile>(PathFor(windowTitle, ".lock"));
    // A running instance holds its lock for days: only a holder that no
    // longer runs makes it stale, never its age.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

bool QtInstanceLock::ActivateExisting(const std::string& windowTitle) {
    reachedOther_ = false;
    if (!ResolveFolder()) return true;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (TakeLock(windowTitle)) return false;
        if (lock_->error() != QLockFile::LockFailedError) {
            refusal_ = QStringLiteral("cannot use the single-instance lock %1; not starting")
                           .arg(PathFor(windowTitle, ".lock"));
            return true;
        }
        // Held by a running instance. It listens once its window has its
        // title; until then, or until it ends and the lock comes free, wait.
        if (AskToComeToFront(PathFor(windowTitle, ".sock"))) {
            reachedOther_ = true;
            return true;
        }
        if (waited.elapsed() >= listenWaitMs_) return true;
        QThread::msleep(kRetryPauseMs);
    }
}

bool QtInstanceLock::AskToComeToFront(const QString& socketPath) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    // The running instance may be busy on its UI thread; the request waits in
    // the socket until it gets to it, so there is nothing to wait for here.
    socket.write(kActivateRequest.data(), kActivateRequest.size());
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool QtInstanceLock::Announce(const std::string& windowTitle, QWidget* window) {
    window_ = window;
    if (server_) return true;
    if (!ResolveFolder() || !TakeLock(windowTitle)) return false;
    const QString path = PathFor(windowTitle, ".sock");
    // We hold the lock, so a socket file here was left by an instance that died.
    QLocalServer::removeServer(path);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        delete server;
        return false;
    }
    connect(server, &QLocalServer::newConnection, this, &QtInstanceLock::OnNewConnection);
    server_ = server;
    return true;
}

void QtInstanceLock::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequests(socket); });
        ReadRequests(socket);  // the request may have come with the connection
    }
}

void QtInstanceLock::ReadRequests(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        if (socket->readLine() != kActivateRequest) continue;
        ++activations_;
        if (window_) {
            if (window_->isMinimized()) window_->showNormal();
            window_->show();
            window_->raise();
            window_->activateWindow();
        }
        emit activationRequested();
    }
}

}  // namespace zt::qt
