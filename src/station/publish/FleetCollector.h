#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

#include "host/MqttClient.h"

namespace zt {
class AppendOnlyFile;
}

namespace zt::station {

// The record IDs already in a fleet log, so that a record that arrives again
// is dropped. 16 bytes a record.
class SeenRecords {
public:
    // True the first time `id` (32 hexadecimal digits) is offered; false for
    // a repeat and for anything that is not such an ID.
    bool Add(const std::string& id);
    size_t Size() const { return ids_.size(); }

private:
    struct IdHash {
        size_t operator()(const std::pair<uint64_t, uint64_t>& id) const {
            return id.first ^ (id.second * 31);
        }
    };
    std::unordered_set<std::pair<uint64_t, uint64_t>, IdHash> ids_;
};

struct CollectorSettings {
    MqttSettings broker;
    std::string url;  // as the operator named it, for messages
    std::string prefix = "zt51xx-mp";
    std::string fleetLog;
    size_t stopAfter = 0;  // records appended; 0: until stopped
    // Called each time the broker has the subscription (a service's log says
    // from when on records are taken).
    std::function<void()> subscribed;
};

// Gathers every station's records from the broker into one fleet log that
// `report` reads: subscribes to PREFIX/+/record at QoS 1 with a session the
// broker keeps while the collector is away, drops repeats by record ID (also
// those of earlier runs, read back from the log), and appends each new record
// as one synced line, exactly as it arrived.
class FleetCollector {
public:
    using Notice = std::function<void(const std::string& line)>;
    FleetCollector(CollectorSettings settings, Notice notice);
    ~FleetCollector();

    // Opens the fleet log and reads the IDs it holds. False with one line.
    bool Open(std::string* error);
    // Collects until `stop` or the settings' count; false when a record
    // could not be written (with the reason in `error`).
    bool Run(const std::function<bool()>& stop, std::string* error);

    size_t Appended() const { return appended_; }
    size_t Repeats() const { return repeats_; }

private:
    void Take(const std::string& payload);

    const CollectorSettings settings_;
    const Notice notice_;
    std::unique_ptr<AppendOnlyFile> log_;
    SeenRecords seen_;
    size_t appended_ = 0, repeats_ = 0;
    std::string writeError_;
};

}  // namespace zt::station
