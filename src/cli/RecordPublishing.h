#pragma once
#include <memory>

#include "cli/Commands.h"
#include "cli/DeviceCommandParts.h"
#include "station/publish/BrokerOptions.h"

namespace CLI {
class App;
}

// Records to the factory's MQTT broker: the options, the publisher that runs
// beside write and station, and the publish and collect commands.
namespace zt::cli {

// --mqtt, --mqtt-prefix, --mqtt-ca, --mqtt-cert, --mqtt-key, --mqtt-user,
// --mqtt-password-file, --mqtt-insecure.
void AddBrokerOptions(CLI::App* sub, station::BrokerOptions& options);

// With --mqtt: starts shipping the station log's records to the broker, on a
// thread of its own. False with the exit code set and one line printed when
// the options cannot work (no log file, a bad URL, unreadable TLS files).
bool StartPublishing(const DeviceOptions& options, CommandSetup& setup, CommandContext& ctx);

// Once the command is done: gives the publisher a moment to deliver what is
// left, then says how many records still wait. Nothing without --mqtt.
class PublishingEnd {
public:
    PublishingEnd(CommandSetup& setup, CommandContext& ctx) : setup_(setup), ctx_(ctx) {}
    ~PublishingEnd();
    PublishingEnd(const PublishingEnd&) = delete;
    PublishingEnd& operator=(const PublishingEnd&) = delete;

private:
    CommandSetup& setup_;
    CommandContext& ctx_;
};

// A station's display that also shows the records not yet delivered; the
// display itself when nothing is published.
std::unique_ptr<StationDisplay> ShowDelivery(std::unique_ptr<StationDisplay> display, CommandSetup& setup);

}  // namespace zt::cli
