#include "station/publish/FleetCollector.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "host/HostSystem.h"

namespace zt::station {

namespace {

bool ParseHex64(const std::string& text, uint64_t* value) {
    *value = 0;
    for (char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        *value = (*value << 4) | static_cast<uint64_t>(digit);
    }
    return true;
}

std::string IdOf(const std::string& line) {
    const auto record = nlohmann::json::parse(line, nullptr, false);
    if (!record.is_object() || !record.contains("recordId") || !record["recordId"].is_string()) return "";
    return record["recordId"];
}

}  // namespace

bool SeenRecords::Add(const std::string& id) {
    std::pair<uint64_t, uint64_t> key;
    if (id.size() != 32 || !ParseHex64(id.substr(0, 16), &key.first) ||
        !ParseHex64(id.substr(16), &key.second))
        return false;
    return ids_.insert(key).second;
}

FleetCollector::FleetCollector(CollectorSettings settings, Notice notice)
    : settings_(std::move(settings)), notice_(std::move(notice)) {}
FleetCollector::~FleetCollector() = default;

bool FleetCollector::Open(std::string* error) {
    std::string reason;
    log_ = OpenAppendOnlyFile(settings_.fleetLog, &reason);
    if (!log_) {
        *error = "cannot open the log " + settings_.fleetLog + " for appending: " + reason;
        return false;
    }
    // What earlier runs collected is not taken again.
    uint64_t offset = 0;
    std::string pending;
    for (;;) {
        std::string chunk;
        if (!log_->ReadFrom(offset, 1 << 20, &chunk, &reason)) {
            *error = "cannot read the log " + settings_.fleetLog + ": " + reason;
            return false;
        }
        if (chunk.empty()) break;
        offset += chunk.size();
        pending += chunk;
        size_t start = 0;
        for (size_t newline; (newline = pending.find('\n', start)) != std::string::npos; start = newline + 1)
            seen_.Add(IdOf(pending.substr(start, newline - start)));
        pending.erase(0, start);
    }
    return OpenMqttClient(settings_.broker, {}, error) != nullptr;
}

void FleetCollector::Take(const std::string& payload) {
    if (!writeError_.empty()) return;
    const std::string id = IdOf(payload);
    if (id.empty()) return;  // not a record of ours
    if (!seen_.Add(id)) {
        ++repeats_;
        return;
    }
    std::string reason;
    if (!log_->Append(payload + "\n", &reason)) {
        writeError_ = "the log " + settings_.fleetLog + " was not written: " + reason;
        return;
    }
    ++appended_;
}

bool FleetCollector::Run(const std::function<bool()>& stop, std::string* error) {
    const std::string pattern = settings_.prefix + "/+/record";
    MqttClient::Handlers handlers;
    handlers.message = [this](const std::string&, const std::string& payload) { Take(payload); };
    handlers.subscribed = [this] {
        if (settings_.subscribed) settings_.subscribed();
    };
    std::string lastProblem;
    int retryMs = 250;
    auto done = [&] {
        return stop() || !writeError_.empty() ||
               (settings_.stopAfter > 0 && appended_ >= settings_.stopAfter);
    };
    auto problem = [&](const std::string& reason) {
        if (reason != lastProblem && notice_) notice_("cannot collect from " + settings_.url + ": " + reason);
        lastProblem = reason;
        for (int waited = 0; waited < retryMs && !done(); waited += 50)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        retryMs = std::min(retryMs * 2, 5000);
    };
    while (!done()) {
        std::string reason;
        auto client = OpenMqttClient(settings_.broker, handlers, &reason);
        if (!client || !client->Connect(&reason)) {
            problem(reason);
            continue;
        }
        const auto started = std::chrono::steady_clock::now();
        bool subscribed = false;
        while (!done()) {
            if (!client->Service(100, &reason)) break;
            if (!client->Connected()) {
                if (std::chrono::steady_clock::now() - started > std::chrono::seconds(10)) {
                    reason = "the broker did not answer within 10 s";
                    break;
                }
                continue;
            }
            if (!subscribed) {
                if (!client->Subscribe(pattern, 1, &reason)) break;
                subscribed = true;
                retryMs = 250;
                if (!lastProblem.empty() && notice_) notice_("collecting from " + settings_.url + " again");
                lastProblem.clear();
            }
        }
        if (done()) {
            client->Disconnect();
            break;
        }
        problem(reason);
    }
    *error = writeError_;
    return writeError_.empty();
}

}  // namespace zt::station
