#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/MqttClient.h"
#include "station/publish/BrokerOptions.h"
#include "station/records/StationCounters.h"

namespace zt::station {

class RecordSpool;

// What a publisher sends, and where.
struct PublisherSettings {
    MqttSettings broker;  // the address and credentials (station/publish/BrokerOptions.h)
    std::string url;      // the broker as the operator named it, for messages
    std::string prefix = "zt51xx-mp";
    std::string stationId;          // the topic level of this station
    std::vector<std::string> logs;  // the station logs it ships, each its own spool
    // Messages sent and not yet acknowledged, at most.
    size_t window = 500;
};

// Ships every record of the station logs to the broker, at least once and
// in the order of each log: QoS 1 on PREFIX/STATION/record, and the
// station's state retained on PREFIX/STATION/state, with a last will that
// marks it offline when the connection drops. The logs are the spool: a
// record counts as delivered once the broker acknowledged it and every
// record before it, and that position is kept beside each log
// (station/publish/RecordSpool.h). A broker that is away, refuses us or cannot be
// reached is tried again and again; nothing of the station waits for it.
//
// Threads: the network runs on a thread of its own; every other call may
// come from any thread.
class RecordPublisher {
public:
    // One line for the operator when delivery stops working (once per reason)
    // and when it works again.
    using Notice = std::function<void(const std::string& line)>;

    RecordPublisher(PublisherSettings settings, Notice notice);
    ~RecordPublisher();
    RecordPublisher(const RecordPublisher&) = delete;
    RecordPublisher& operator=(const RecordPublisher&) = delete;

    // Opens the logs. False with one line of reason.
    bool Open(std::string* error);
    // Starts delivering on its own thread.
    void Start();
    // New records may be in a log: look now rather than at the next poll.
    void Nudge();
    // The station's tally, for its state message.
    void SetCounters(const StationCounters& counters);
    // Records in the logs that the broker has not acknowledged yet.
    size_t Undelivered() const { return undelivered_.load(); }
    // Whether the broker has the connection now.
    bool Delivering() const { return delivering_.load(); }
    // Called on the publisher's thread when Undelivered changes; once
    // replaced (by nullptr, say), the old one is never called again.
    void OnUndeliveredChange(std::function<void(size_t)> listener);
    // Stops once everything is delivered, or `grace` has passed, whichever
    // is first; marks the station offline and saves the positions.
    void Stop(std::chrono::milliseconds grace);
    // Delivers on the caller's thread until every record present is
    // delivered (or, with `follow`, until `stop`); true when nothing is left.
    bool Run(bool follow, const std::function<bool()>& stop);

private:
    struct Sent;
    void Loop(bool follow, const std::function<bool()>& stop);
    bool Serve(const std::function<bool()>& stop);
    void Report(const std::string& reason);
    void Acknowledged(int messageId);
    void Refill();
    void PublishState(const char* state);
    void SavePositions(bool now);
    // A log renamed away and started anew is followed into the new file.
    void FollowRotations();
    void Count();
    void WaitMs(int ms, const std::function<bool()>& stop);
    bool Stopping(const std::function<bool()>& stop);

    const PublisherSettings settings_;
    const Notice notice_;
    std::vector<std::unique_ptr<RecordSpool>> spools_;
    std::vector<uint64_t> readTo_;  // per spool: where the next record to send starts
    std::unique_ptr<class SentQueue> sent_;
    std::unique_ptr<MqttClient> client_;
    std::string lastProblem_;
    bool problemShown_ = false;
    std::chrono::steady_clock::time_point lastSave_{}, lastRotationCheck_{};

    std::atomic<size_t> undelivered_{0};
    std::atomic<bool> delivering_{false};
    // A connection failed or dropped, and none has been made since; a first
    // connection still being made is not a broker that is away.
    std::atomic<bool> brokerAway_{false};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool nudged_ = false;
    bool stopRequested_ = false;
    std::optional<std::chrono::steady_clock::time_point> stopBy_;
    std::optional<StationCounters> counters_;
    bool countersChanged_ = false;
    std::mutex listenerMutex_;
    std::function<void(size_t)> listener_;
    std::thread thread_;
};

// A publisher of `logs` to the broker the options name, as the station
// `stationId` (its topic level; "" for the host's name), opened but not
// started. Null with one line in `error` and the exit code for it: 2 for
// options that cannot work (also TLS files that cannot be read, and a build
// without MQTT), 4 for a log that cannot be read.
std::unique_ptr<RecordPublisher> OpenRecordPublisher(const BrokerOptions& options,
                                                     std::vector<std::string> logs,
                                                     const std::string& stationId,
                                                     RecordPublisher::Notice notice, std::string* error,
                                                     int* exitCode);

}  // namespace zt::station
