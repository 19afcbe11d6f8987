#include "host/mqtt/MosquittoClient.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace zt::host_mqtt {

namespace {

// Why a call of the library failed, in one line.
std::string Reason(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return mosquitto_strerror(rc);
}

class MosquittoClient final : public MqttClient {
public:
    MosquittoClient(const MqttSettings& settings, Handlers handlers)
        : settings_(settings), handlers_(std::move(handlers)) {}
    ~MosquittoClient() override {
        if (mosq_) mosquitto_destroy(mosq_);
    }

    bool Set(std::string* error) {
        mosq_ = mosquitto_new(settings_.clientId.empty() ? nullptr : settings_.clientId.c_str(),
                              settings_.cleanSession, this);
        if (!mosq_) {
            *error = std::string("cannot make an MQTT client: ") + std::strerror(errno);
            return false;
        }
        mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
        // The caller keeps its own window of messages under way.
        mosquitto_max_inflight_messages_set(mosq_, 0);
        mosquitto_connect_callback_set(mosq_, [](mosquitto*, void* self, int rc) {
            static_cast<MosquittoClient*>(self)->OnConnect(rc);
        });
        mosquitto_disconnect_callback_set(mosq_, [](mosquitto*, void* self, int rc) {
            static_cast<MosquittoClient*>(self)->OnDisconnect(rc);
        });
        mosquitto_publish_callback_set(mosq_, [](mosquitto*, void* self, int mid) {
            auto* client = static_cast<MosquittoClient*>(self);
            if (client->handlers_.delivered) client->handlers_.delivered(mid);
        });
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* client = static_cast<MosquittoClient*>(self);
            if (client->handlers_.message && m->topic)
                client->handlers_.message(m->topic, std::string(static_cast<const char*>(m->payload),
                                                                static_cast<size_t>(m->payloadlen)));
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            auto* client = static_cast<MosquittoClient*>(self);
            if (client->handlers_.subscribed) client->handlers_.subscribed();
        });
        mosquitto_log_callback_set(mosq_, [](mosquitto*, void* self, int, const char* text) {
            static_cast<MosquittoClient*>(self)->OnLog(text);
        });
        int rc = MOSQ_ERR_SUCCESS;
        if (settings_.tls) {
            rc = mosquitto_tls_set(mosq_, settings_.caFile.c_str(), nullptr,
                                   settings_.certFile.empty() ? nullptr : settings_.certFile.c_str(),
                                   settings_.keyFile.empty() ? nullptr : settings_.keyFile.c_str(), nullptr);
            if (rc != MOSQ_ERR_SUCCESS) {
                *error = "cannot use the TLS files (CA " + settings_.caFile +
                         (settings_.certFile.empty() ? "" : ", certificate " + settings_.certFile) +
                         (settings_.keyFile.empty() ? "" : ", key " + settings_.keyFile) + "): " + Reason(rc);
                return false;
            }
            // The broker's certificate must be signed by the CA and name the host.
            mosquitto_tls_opts_set(mosq_, 1, nullptr, nullptr);
            mosquitto_tls_insecure_set(mosq_, false);
        }
        if (!settings_.user.empty() &&
            (rc = mosquitto_username_pw_set(mosq_, settings_.user.c_str(), settings_.password.c_str())) !=
                MOSQ_ERR_SUCCESS) {
            *error = "cannot set the MQTT user: " + Reason(rc);
            return false;
        }
        if (!settings_.willTopic.empty() &&
            (rc = mosquitto_will_set(
                 mosq_, settings_.willTopic.c_str(), static_cast<int>(settings_.willPayload.size()),
                 settings_.willPayload.data(), 1, settings_.willRetain)) != MOSQ_ERR_SUCCESS) {
            *error = "cannot set the last will: " + Reason(rc);
            return false;
        }
        return true;
    }

    bool Connect(std::string* error) override {
        const int rc = mosquitto_connect_async(mosq_, settings_.host.c_str(), settings_.port,
                                               settings_.keepAliveSeconds);
        if (rc == MOSQ_ERR_SUCCESS) return true;
        *error = Failure(rc);
        return false;
    }

    bool Service(int timeoutMs, std::string* error) override {
        if (!lost_.empty()) {
            *error = lost_;
            return false;
        }
        const int rc = mosquitto_loop(mosq_, timeoutMs, 1);
        if (rc != MOSQ_ERR_SUCCESS && lost_.empty()) lost_ = Failure(rc);
        if (lost_.empty()) return true;
        connected_ = false;
        *error = lost_;
        return false;
    }

    bool Connected() const override { return connected_; }

    int Publish(const std::string& topic, const std::string& payload, int qos, bool retain,
                std::string* error) override {
        int mid = -1;
        const int rc = mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                         payload.data(), qos, retain);
        if (rc == MOSQ_ERR_SUCCESS) return mid;
        *error = Failure(rc);
        return -1;
    }

    bool Subscribe(const std::string& pattern, int qos, std::string* error) override {
        const int rc = mosquitto_subscribe(mosq_, nullptr, pattern.c_str(), qos);
        if (rc == MOSQ_ERR_SUCCESS) return true;
        *error = Failure(rc);
        return false;
    }

    void Disconnect() override {
        if (!connected_) return;
        // What is queued goes out before the goodbye.
        for (int i = 0; i < 20 && mosquitto_want_write(mosq_); ++i)
            if (mosquitto_loop(mosq_, 50, 1) != MOSQ_ERR_SUCCESS) break;
        mosquitto_disconnect(mosq_);
        for (int i = 0; i < 5 && mosquitto_loop(mosq_, 20, 1) == MOSQ_ERR_SUCCESS;) ++i;
        connected_ = false;
    }

private:
    void OnConnect(int rc) {
        if (rc == 0) {
            connected_ = true;
            return;
        }
        lost_ = std::string("the broker refused the connection: ") + mosquitto_connack_string(rc);
    }
    void OnDisconnect(int rc) {
        connected_ = false;
        if (lost_.empty()) lost_ = rc == 0 ? "disconnected" : "the connection to the broker was lost";
    }
    // The library tells what went wrong inside TLS only through its log.
    void OnLog(const char* text) {
        if (text && std::strstr(text, "OpenSSL Error") && tlsError_.empty()) {
            const char* what = std::strstr(text, ": error:");
            tlsError_ = what ? what + 2 : text;
            // "error:0A000086:SSL routines::certificate verify failed": the words at the end.
            const size_t colon = tlsError_.rfind(':');
            if (colon != std::string::npos && colon + 1 < tlsError_.size())
                tlsError_ = tlsError_.substr(colon + 1);
        }
    }
    std::string Failure(int rc) {
        if (rc == MOSQ_ERR_TLS || !tlsError_.empty())
            return "TLS failed: " + (tlsError_.empty() ? std::string(Reason(rc)) : tlsError_);
        if (rc == MOSQ_ERR_CONN_LOST) return "the connection to the broker was lost";
        return Reason(rc);
    }

    const MqttSettings settings_;
    const Handlers handlers_;
    mosquitto* mosq_ = nullptr;
    bool connected_ = false;
    std::string lost_;
    std::string tlsError_;
};

}  // namespace

std::unique_ptr<MqttClient> OpenMosquittoClient(const MqttSettings& settings, MqttClient::Handlers handlers,
                                                std::string* error) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mosquitto_lib_init(); });
    auto client = std::make_unique<MosquittoClient>(settings, std::move(handlers));
    if (!client->Set(error)) return nullptr;
    return client;
}

}  // namespace zt::host_mqtt
