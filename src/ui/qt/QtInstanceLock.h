#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <string>

#include "platform/InstanceLock.h"

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QWidget;

namespace zt::qt {

// The single-instance rule over a lock file and a local socket, both named
// after the window title, in a folder only this user can enter.
//
// The lock decides who runs: the first start takes it (ActivateExisting finds
// nobody) and holds it until it ends, so two starts at the same moment cannot
// both run and nobody can take the name from a running instance. A lock left
// by a process that has died is taken over. The socket only carries the
// request to come to the front: the running instance listens on it from the
// moment its window takes the title; a second start connects, asks, and ends.
//
// The folder is $XDG_RUNTIME_DIR, or else <temp>/zt51xx-mp-<uid>, created
// 0700 and used only when it is a real folder of this user that nobody else
// can enter. When neither is to be had, or the lock file there cannot be
// used, the tool does not start (Refusal() says why, naming the path): two
// dialogs on one station would write the same unit.
class QtInstanceLock : public QObject, public InstanceLock {
    Q_OBJECT

public:
    // `folder` replaces the user's private folder (tests); the product leaves
    // it empty.
    explicit QtInstanceLock(QString folder = QString(), QObject* parent = nullptr);
    ~QtInstanceLock() override;

    // Takes the lock when it is free (or stale) and returns false: this
    // process is the instance. Otherwise returns true, after asking the
    // running instance to come to the front; an instance still starting up
    // gets up to the listen wait to open its socket. Also true, with the
    // reason in Refusal(), when there is no lock to take.
    bool ActivateExisting(const std::string& windowTitle) override;

    // Makes this process the instance that `windowTitle` finds; takes the lock
    // first when ActivateExisting has not. `window` comes to the front
    // whenever a second start asks for it. False when another instance holds
    // the lock or there is no private folder.
    bool Announce(const std::string& windowTitle, QWidget* window);

    // How long a second start waits for a running instance to listen.
    void SetListenWaitMs(int ms) { listenWaitMs_ = ms; }

    // True when the last ActivateExisting reached the running instance.
    bool ReachedOtherInstance() const { return reachedOther_; }
    int ActivationsReceived() const { return activations_; }
    // Why this process may not run without a lock (one line naming the
    // folder or file); empty when the lock could be used.
    const QString& Refusal() const { return refusal_; }

    // The private folder for `xdgRuntimeDir` (may be empty) with the fallback
    // under `tempRoot`; empty, with the reason in `why`, when there is none.
    static QString PrivateFolder(const QString& xdgRuntimeDir, const QString& tempRoot, QString* why);

signals:
    void activationRequested();

private:
    bool ResolveFolder();
    bool TakeLock(const std::string& windowTitle);
    QString PathFor(const std::string& windowTitle, const char* suffix) const;
    bool AskToComeToFront(const QString& socketPath);
    void OnNewConnection();
    void ReadRequests(QLocalSocket* socket);

    QString folder_;
    bool folderResolved_ = false;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    QPointer<QWidget> window_;
    int listenWaitMs_ = 5000;
    bool reachedOther_ = false;
    int activations_ = 0;
    QString refusal_;
};

}  // namespace zt::qt
