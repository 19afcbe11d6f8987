#pragma once
#include <memory>
#include <string>

#include "host/MqttClient.h"

namespace zt::host_mqtt {

// An MqttClient on the system's MQTT client library (host/MqttClient.h).
std::unique_ptr<MqttClient> OpenMosquittoClient(const MqttSettings& settings, MqttClient::Handlers handlers,
                                                std::string* error);

}  // namespace zt::host_mqtt
