#pragma once
#include <string>

#include "host/MqttClient.h"

namespace zt::station {

// How records reach the factory's MQTT broker, as the options give it.
struct BrokerOptions {
    std::string url;  // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]; "": no publishing
    std::string prefix = "zt51xx-mp";
    std::string caFile, certFile, keyFile;
    std::string user, passwordFile;
    bool insecure = false;  // plain TCP to a host other than this machine
};

// Whether `host` names this machine: localhost, 127.0.0.0/8 or ::1.
bool IsLoopbackHost(const std::string& host);

// A topic level made of `name`: no '/', '+' or '#', not empty. False with why.
bool CheckTopicLevel(const std::string& what, const std::string& name, std::string* error);

// The broker's address and credentials from the options: the URL taken
// apart, the TLS files, the password read from its file (never from the
// command line). Plain TCP is refused to any host but this machine's own
// unless `insecure`. False with one line for the operator.
bool ResolveBroker(const BrokerOptions& options, MqttSettings* settings, std::string* error);

}  // namespace zt::station
