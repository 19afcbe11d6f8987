#include "ui/qt/QtInstanceLock.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace zt::qt {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr QByteArrayView kActivateRequest = "activate\n";

}  // namespace

QtInstanceLock::QtInstanceLock(QString scope, QObject* parent) : QObject(parent), scope_(std::move(scope)) {}

QtInstanceLock::~QtInstanceLock() = default;

QString QtInstanceLock::ServerName(const std::string& windowTitle) const {
    QString name = QString::fromStdString(windowTitle);
#if defined(Q_OS_UNIX)
    name += QStringLiteral(" uid%1").arg(::getuid());
#endif
    if (!scope_.isEmpty()) name += QStringLiteral(" ") + scope_;
    return name;
}

bool QtInstanceLock::ActivateExisting(const std::string& windowTitle) {
    QLocalSocket socket;
    socket.connectToServer(ServerName(windowTitle));
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
    const QString name = ServerName(windowTitle);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        // Nobody answered on it a moment ago, so the socket is a leftover.
        QLocalServer::removeServer(name);
        if (!server->listen(name)) {
            delete server;
            return false;
        }
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
