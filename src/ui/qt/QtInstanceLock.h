#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <string>

#include "platform/InstanceLock.h"

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace zt::qt {

// The single-instance rule over a local socket named after the window title
// (and the user, so that two operators on one machine do not meet). The
// running instance listens on it from the moment its window takes the title;
// a second start connects, asks it to come to the front and ends.
class QtInstanceLock : public QObject, public InstanceLock {
    Q_OBJECT

public:
    // `scope` keeps separate runs apart (tests); the product leaves it empty.
    explicit QtInstanceLock(QString scope = QString(), QObject* parent = nullptr);
    ~QtInstanceLock() override;

    // Asks a running instance to come to the front; true when one answered.
    bool ActivateExisting(const std::string& windowTitle) override;

    // Makes this process the instance that `windowTitle` finds. `window` comes
    // to the front whenever a second start asks for it. A socket left behind
    // by an instance that crashed is taken over.
    bool Announce(const std::string& windowTitle, QWidget* window);

    int ActivationsReceived() const { return activations_; }

signals:
    void activationRequested();

private:
    QString ServerName(const std::string& windowTitle) const;
    void OnNewConnection();
    void ReadRequests(QLocalSocket* socket);

    QString scope_;
    QLocalServer* server_ = nullptr;
    QPointer<QWidget> window_;
    int activations_ = 0;
};

}  // namespace zt::qt
