#pragma once
#include <functional>
#include <string>

namespace zt {

// Where a client reaches its broker and how it proves who it is.
struct MqttSettings {
    std::string host;
    int port = 1883;
    bool tls = false;
    std::string caFile;             // with tls: the authority the broker's certificate must come from
    std::string certFile, keyFile;  // with tls: this client's own certificate, when the broker asks for one
    std::string user, password;     // "" user: none
    std::string clientId;           // "": the library makes one up
    bool cleanSession = true;       // false: the broker keeps this client's subscriptions and queue
    std::string willTopic, willPayload;  // "" topic: no last will
    bool willRetain = true;
    int keepAliveSeconds = 10;
};

// One connection to an MQTT broker, driven by the thread that owns it: every
// call and every handler runs on that thread. Messages are handed to the
// client library, which does the protocol; nothing here is ours but the
// plumbing. Open one with OpenMqttClient (host/HostSystem.h).
class MqttClient {
public:
    struct Handlers {
        // The broker acknowledged the message with this id (QoS 1).
        std::function<void(int messageId)> delivered;
        // A message arrived on a subscribed topic.
        std::function<void(const std::string& topic, const std::string& payload)> message;
        // The broker confirmed a subscription.
        std::function<void()> subscribed;
    };

    virtual ~MqttClient() = default;

    // Starts connecting; Service then completes it. False with one line of
    // reason when it cannot even begin (no such host, nothing listening).
    virtual bool Connect(std::string* error) = 0;
    // Runs the network for at most `timeoutMs`: connects, sends what is
    // queued, receives, and calls the handlers. False with the reason once
    // the connection is gone or was refused (a certificate that is not
    // trusted, a wrong password); the client is then of no further use.
    virtual bool Service(int timeoutMs, std::string* error) = 0;
    // Whether the broker has accepted the connection.
    virtual bool Connected() const = 0;
    // Queues a message; its id (for `delivered`), or -1 with the reason.
    virtual int Publish(const std::string& topic, const std::string& payload, int qos, bool retain,
                        std::string* error) = 0;
    virtual bool Subscribe(const std::string& pattern, int qos, std::string* error) = 0;
    // Says goodbye to the broker (no last will), sending what is queued first.
    virtual void Disconnect() = 0;
};

}  // namespace zt
