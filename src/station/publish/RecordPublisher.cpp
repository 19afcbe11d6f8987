#include "station/publish/RecordPublisher.h"

#include <deque>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "host/HostSystem.h"
#include "station/config/ExitCodes.h"
#include "station/operator/IsoTime.h"
#include "station/publish/RecordSpool.h"

namespace zt::station {

namespace {

using Clock = std::chrono::steady_clock;

// How long a broker has to accept a connection, and the longest pause
// between attempts.
constexpr auto kConnectWithin = std::chrono::seconds(10);
constexpr int kLongestRetryMs = 5000;
// Positions are saved at most this often while records flow (and always at
// the end): a kill sends at most this much again.
constexpr auto kSaveEvery = std::chrono::milliseconds(500);

}  // namespace

// The records sent and not yet acknowledged, in the order they were sent.
class SentQueue {
public:
    struct Entry {
        size_t spool;
        uint64_t end;
        std::string id;
        bool acknowledged;
    };
    size_t Size() const { return entries_.size(); }
    void Add(size_t spool, uint64_t end, std::string id, int messageId) {
        if (messageId >= 0) byMessage_[messageId] = first_ + entries_.size();
        entries_.push_back({spool, end, std::move(id), messageId < 0});
    }
    void Acknowledge(int messageId) {
        const auto found = byMessage_.find(messageId);
        if (found == byMessage_.end()) return;
        entries_[found->second - first_].acknowledged = true;
        byMessage_.erase(found);
    }
    // Hands over the acknowledged records at the front, in order.
    template <typename Take>
    void TakeAcknowledged(Take take) {
        while (!entries_.empty() && entries_.front().acknowledged) {
            take(entries_.front());
            entries_.pop_front();
            ++first_;
        }
    }
    void Clear() {
        first_ += entries_.size();
        entries_.clear();
        byMessage_.clear();
    }

private:
    std::deque<Entry> entries_;
    std::unordered_map<int, uint64_t> byMessage_;
    uint64_t first_ = 0;  // the sequence number of entries_.front()
};

RecordPublisher::RecordPublisher(PublisherSettings settings, Notice notice)
    : settings_(std::move(settings)), notice_(std::move(notice)), sent_(std::make_unique<SentQueue>()) {}

RecordPublisher::~RecordPublisher() {
    if (thread_.joinable()) Stop(std::chrono::milliseconds(0));
}

bool RecordPublisher::Open(std::string* error) {
    for (const std::string& log : settings_.logs) {
        auto spool = std::make_unique<RecordSpool>(log);
        if (!spool->Open(error)) return false;
        readTo_.push_back(spool->Delivered());
        spools_.push_back(std::move(spool));
    }
    Count();
    return true;
}

void RecordPublisher::Start() {
    thread_ = std::thread([this] { Loop(true, [] { return false; }); });
}

void RecordPublisher::Nudge() {
    {
        std::lock_guard lock(mutex_);
        nudged_ = true;
    }
    wake_.notify_all();
}

void RecordPublisher::SetCounters(const StationCounters& counters) {
    {
        std::lock_guard lock(mutex_);
        counters_ = counters;
        countersChanged_ = true;
        nudged_ = true;
    }
    wake_.notify_all();
}

void RecordPublisher::OnUndeliveredChange(std::function<void(size_t)> listener) {
    std::lock_guard lock(listenerMutex_);
    listener_ = std::move(listener);
}

void RecordPublisher::Stop(std::chrono::milliseconds grace) {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
        stopBy_ = Clock::now() + grace;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool RecordPublisher::Run(bool follow, const std::function<bool()>& stop) {
    Loop(follow, stop);
    return undelivered_.load() == 0;
}

bool RecordPublisher::Stopping(const std::function<bool()>& stop) {
    if (stop()) return true;
    std::lock_guard lock(mutex_);
    if (!stopRequested_) return false;
    // A broker that is away is not waited for.
    return undelivered_.load() == 0 || Clock::now() >= *stopBy_ || brokerAway_.load();
}

void RecordPublisher::WaitMs(int ms, const std::function<bool()>& stop) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock lock(mutex_);
    while (!nudged_ && Clock::now() < until) {
        // Short steps: `stop` is a flag of the caller's, not ours to be told of.
        wake_.wait_for(lock, std::chrono::milliseconds(50));
        if (stopRequested_ && (Clock::now() >= *stopBy_ || brokerAway_.load())) break;
        lock.unlock();
        const bool stopped = stop();
        lock.lock();
        if (stopped) break;
    }
    nudged_ = false;
}

void RecordPublisher::Report(const std::string& reason) {
    if (reason == lastProblem_) return;
    lastProblem_ = reason;
    problemShown_ = true;
    if (notice_)
        notice_("records are not delivered to " + settings_.url + ": " + reason +
                "; they wait in the log and go out once the broker takes them");
}

void RecordPublisher::Count() {
    size_t waiting = 0;
    for (auto& spool : spools_) {
        size_t count = 0;
        std::string error;
        if (!spool->CountWaiting(&count, &error)) Report(error);
        waiting += count;
    }
    if (undelivered_.exchange(waiting) == waiting) return;
    // Under its own lock: once OnUndeliveredChange has replaced it, the old
    // listener is never called again.
    std::lock_guard lock(listenerMutex_);
    if (listener_) listener_(waiting);
}

void RecordPublisher::Acknowledged(int messageId) {
    sent_->Acknowledge(messageId);
    sent_->TakeAcknowledged([this](const SentQueue::Entry& entry) {
        spools_[entry.spool]->MarkDelivered(entry.end, entry.id, 1);
    });
}

void RecordPublisher::SavePositions(bool now) {
    if (!now && Clock::now() - lastSave_ < kSaveEvery) return;
    lastSave_ = Clock::now();
    for (auto& spool : spools_) {
        std::string error;
        if (!spool->SavePosition(&error)) Report(error);
    }
}

void RecordPublisher::PublishState(const char* state) {
    nlohmann::ordered_json message = {{"state", state},
                                      {"station", settings_.stationId},
                                      {"time", FormatIsoTime(std::chrono::system_clock::now())},
                                      {"undelivered", undelivered_.load()}};
    {
        std::lock_guard lock(mutex_);
        if (counters_) {
            message["passed"] = counters_->passed;
            message["failed"] = counters_->failed;
            message["unitsPerHour"] = static_cast<long long>(counters_->unitsPerHour + 0.5);
        }
        countersChanged_ = false;
    }
    std::string error;
    client_->Publish(settings_.prefix + "/" + settings_.stationId + "/state", message.dump(), 1, true,
                     &error);
}

void RecordPublisher::Refill() {
    const std::string topic = settings_.prefix + "/" + settings_.stationId + "/record";
    std::vector<SpooledRecord> batch;
    for (size_t s = 0; s < spools_.size(); ++s) {
        while (sent_->Size() < settings_.window) {
            batch.clear();
            std::string error;
            if (!spools_[s]->Read(readTo_[s], settings_.window - sent_->Size(), &batch, &error)) {
                Report(error);
                return;
            }
            if (batch.empty()) break;
            for (SpooledRecord& record : batch) {
                int messageId = -1;
                if (!record.payload.empty()) {
                    messageId = client_->Publish(topic, record.payload, 1, false, &error);
                    if (messageId < 0) {
                        Report(error);
                        return;
                    }
                }
                readTo_[s] = record.end;
                sent_->Add(s, record.end, std::move(record.id), messageId);
            }
        }
    }
    // Lines that are not records count as delivered once those before them are.
    Acknowledged(-1);
}

void RecordPublisher::FollowRotations() {
    if (Clock::now() - lastRotationCheck_ < std::chrono::seconds(1)) return;
    lastRotationCheck_ = Clock::now();
    for (size_t s = 0; s < spools_.size(); ++s) {
        RecordSpool& spool = *spools_[s];
        size_t waiting = 0;
        std::string error;
        // The old file's last records go first; then the new file from its start.
        if (!spool.CountWaiting(&waiting, &error) || waiting > 0 || !spool.Replaced()) continue;
        if (!spool.SavePosition(&error) || !spool.Reopen(&error)) {
            Report(error);
            continue;
        }
        readTo_[s] = spool.Delivered();
    }
}

void RecordPublisher::Loop(bool follow, const std::function<bool()>& stop) {
    MqttSettings broker = settings_.broker;
    const std::string stateTopic = settings_.prefix + "/" + settings_.stationId + "/state";
    broker.willTopic = stateTopic;
    broker.willPayload =
        nlohmann::ordered_json{{"state", "offline"}, {"station", settings_.stationId}}.dump();
    broker.willRetain = true;
    MqttClient::Handlers handlers;
    handlers.delivered = [this](int messageId) { Acknowledged(messageId); };

    int retryMs = 250;
    Clock::time_point connectStarted{};
    bool connected = false;
    auto drop = [&](const std::string& reason) {
        client_.reset();
        sent_->Clear();
        for (size_t s = 0; s < spools_.size(); ++s) readTo_[s] = spools_[s]->Delivered();
        connected = false;
        delivering_.store(false);
        brokerAway_.store(true);
        Report(reason);
        SavePositions(true);
        WaitMs(retryMs, stop);
        retryMs = std::min(retryMs * 2, kLongestRetryMs);
    };
    for (;;) {
        // Counted before the stop is looked at: records kept just before
        // the stop was asked for are waited for too.
        Count();
        if (Stopping(stop) || (!follow && undelivered_.load() == 0)) break;
        std::string error;
        if (!client_) {
            client_ = OpenMqttClient(broker, handlers, &error);
            if (!client_ || !client_->Connect(&error)) {
                drop(error);
                continue;
            }
            connectStarted = Clock::now();
        }
        // Idle, the loop looks at the logs five times a second.
        const bool busy = sent_->Size() > 0 || !client_->Connected();
        if (!client_->Service(busy ? 50 : 200, &error)) {
            drop(error);
            continue;
        }
        if (!client_->Connected()) {
            if (Clock::now() - connectStarted > kConnectWithin) drop("the broker did not answer within 10 s");
            continue;
        }
        if (!connected) {
            connected = true;
            delivering_.store(true);
            brokerAway_.store(false);
            retryMs = 250;
            if (problemShown_ && notice_) notice_("records are delivered to " + settings_.url + " again");
            problemShown_ = false;
            lastProblem_.clear();
            PublishState("online");
        }
        Refill();
        if (follow) FollowRotations();
        bool countersChanged;
        {
            std::lock_guard lock(mutex_);
            countersChanged = countersChanged_;
            nudged_ = false;
        }
        if (countersChanged) PublishState("online");
        SavePositions(false);
    }
    Count();
    SavePositions(true);
    if (client_ && client_->Connected()) {
        PublishState("offline");
        client_->Disconnect();
    }
    client_.reset();
    sent_->Clear();
    delivering_.store(false);
}

std::unique_ptr<RecordPublisher> OpenRecordPublisher(const BrokerOptions& options,
                                                     std::vector<std::string> logs,
                                                     const std::string& stationId,
                                                     RecordPublisher::Notice notice, std::string* error,
                                                     int* exitCode) {
    *exitCode = kExitUsage;
    PublisherSettings settings;
    if (!ResolveBroker(options, &settings.broker, error)) return nullptr;
    settings.stationId = stationId.empty() ? ThisHost().Name() : stationId;
    if (!CheckTopicLevel(stationId.empty() ? "the host name" : "the station ID", settings.stationId, error))
        return nullptr;
    settings.url = options.url;
    settings.prefix = options.prefix;
    settings.logs = std::move(logs);
    // A client that cannot be made now (TLS files that cannot be read, a
    // build without MQTT) never can: said before any unit.
    if (!OpenMqttClient(settings.broker, {}, error)) return nullptr;
    auto publisher = std::make_unique<RecordPublisher>(std::move(settings), std::move(notice));
    *exitCode = kExitIoError;
    if (!publisher->Open(error)) return nullptr;
    return publisher;
}

}  // namespace zt::station
