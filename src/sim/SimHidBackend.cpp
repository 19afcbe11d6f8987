#include "sim/SimHidBackend.h"

#include <algorithm>
#include <cstring>

#include "sim/SimBusState.h"

namespace zt::sim {

using Kind = SimLogEntry::Kind;

std::vector<std::string> SimHidBackend::ListInterfaces() {
    std::lock_guard<std::mutex> lock(state_.mutex);
    std::vector<std::string> paths;
    for (const auto& device : state_.order) {
        if (!device.isChip)
            paths.push_back(state_.OtherPath(device.index));
        else if (state_.Chip(device.index).plugged())
            paths.push_back(state_.ChipPath(device.index));
    }
    return paths;
}

Handle SimHidBackend::Open(const std::string& path, bool forReading) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    SimBus::State::HidHandle h;
    h.forReading = forReading;
    bool found = false;
    for (const auto& device : state_.order) {
        if (device.isChip) {
            auto& chip = state_.Chip(device.index);
            if (!chip.plugged() || state_.ChipPath(device.index) != path) continue;
            if (chip.faults().refuseOpen) return kInvalidHandle;
            h.chip = device.index;
            h.generation = chip.generation();
        } else {
            if (state_.OtherPath(device.index) != path) continue;
            h.other = device.index;
        }
        found = true;
        break;
    }
    if (!found) return kInvalidHandle;
    const Handle handle = state_.NewHandle();
    state_.Log(h.chip, Kind::Open, {static_cast<uint8_t>(forReading ? 1 : 0)});
    state_.hidHandles.emplace(handle, std::move(h));
    return handle;
}

bool SimHidBackend::GetAttributes(Handle handle, uint16_t& vendorId, uint16_t& productId) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    auto it = state_.hidHandles.find(handle);
    if (it == state_.hidHandles.end() || !state_.IsAlive(it->second)) return false;
    if (it->second.chip < 0) {
        const auto& other = state_.others[static_cast<size_t>(it->second.other)];
        vendorId = other.vendorId;
        productId = other.productId;
    } else {
        const auto& chip = state_.Chip(it->second.chip);
        vendorId = chip.vendorId();
        productId = chip.productId();
    }
    return true;
}

bool SimHidBackend::GetCaps(Handle handle, uint16_t& inputReportLength, uint16_t& outputReportLength) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    auto it = state_.hidHandles.find(handle);
    if (it == state_.hidHandles.end() || !state_.IsAlive(it->second)) return false;
    if (it->second.chip < 0) {
        inputReportLength = 64;
        outputReportLength = 64;
    } else {
        const auto& faults = state_.Chip(it->second.chip).faults();
        inputReportLength = faults.inputReportLength;
        outputReportLength = faults.outputReportLength;
    }
    return true;
}

int SimHidBackend::Write(Handle handle, const uint8_t* data, size_t length) {
    if (data == nullptr || length == 0) return -1;
    int result = -1;
    {
        std::lock_guard<std::mutex> lock(state_.mutex);
        auto it = state_.hidHandles.find(handle);
        if (it == state_.hidHandles.end() || !state_.IsAlive(it->second)) return -1;
        std::vector<uint8_t> report(data, data + length);
        const int chipIndex = it->second.chip;
        if (chipIndex < 0) {
            state_.Log(-1, Kind::OutputReport, std::move(report));  // nobody answers
            return static_cast<int>(length);
        }
        auto& chip = state_.Chip(chipIndex);
        auto outcome = chip.ReceiveOutputReport(data, length);
        using Outcome = SimChipModel::OutputOutcome::Kind;
        switch (outcome.kind) {
            case Outcome::Failed:
                state_.Log(chipIndex, Kind::FailedWrite, std::move(report));
                return -1;
            case Outcome::Unplugged:
                state_.UnplugLocked(chipIndex);
                state_.Log(chipIndex, Kind::FailedWrite, std::move(report));
                result = -1;
                break;
            case Outcome::Delivered: {
                state_.Log(chipIndex, Kind::OutputReport, std::move(report));
                const uint64_t dueUs = state_.clock.NowUs() + uint64_t{chip.faults().replyLatencyMs} * 1000;
                for (auto& [h, open] : state_.hidHandles) {
                    if (open.chip != chipIndex || !open.forReading || !state_.IsAlive(open)) continue;
                    for (const auto& reply : outcome.replies) {
                        if (open.replies.size() >= SimBus::State::kMaxQueuedReplies) open.replies.pop_front();
                        open.replies.push_back({dueUs, reply});
                    }
                }
                result = static_cast<int>(length);
                break;
            }
        }
    }
    state_.PostPendingNotices();
    return result;
}

int SimHidBackend::Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) {
    if (buffer == nullptr || length == 0) return 0;
    uint32_t slept = 0;
    for (;;) {
        uint32_t sleepMs = 0;
        {
            std::lock_guard<std::mutex> lock(state_.mutex);
            auto it = state_.hidHandles.find(handle);
            if (it == state_.hidHandles.end() || !state_.IsAlive(it->second)) return 0;
            auto& h = it->second;
            const uint64_t now = state_.clock.NowUs();
            if (!h.replies.empty() && h.replies.front().availableAtUs <= now) {
                const auto reply = std::move(h.replies.front().bytes);
                h.replies.pop_front();
                const size_t count = std::min(length, reply.size());
                std::memcpy(buffer, reply.data(), count);
                state_.Log(h.chip, Kind::InputReport,
                           {reply.begin(), reply.begin() + static_cast<long>(count)});
                return static_cast<int>(count);
            }
            if (slept >= timeoutMs) {
                state_.Log(h.chip, Kind::ReadTimeout);
                return -1;
            }
            // Wait for the next reply when it falls within the time-out, else
            // for the rest of the time-out.
            sleepMs = timeoutMs - slept;
            if (!h.replies.empty()) {
                const uint64_t dueMs = (h.replies.front().availableAtUs - now + 999) / 1000;
                sleepMs = static_cast<uint32_t>(std::min<uint64_t>(sleepMs, dueMs));
            }
        }
        state_.clock.SleepMs(sleepMs);
        slept += sleepMs;
    }
}

void SimHidBackend::Close(Handle handle) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    auto it = state_.hidHandles.find(handle);
    if (it == state_.hidHandles.end()) return;
    state_.Log(it->second.chip, Kind::Close);
    state_.hidHandles.erase(it);
}

std::string SimHidBackend::PortOf(const std::string& path) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    for (const auto& device : state_.order) {
        if (device.isChip && state_.ChipPath(device.index) == path)
            return SimBus::State::ChipPort(device.index);
        if (!device.isChip && state_.OtherPath(device.index) == path)
            return SimBus::State::OtherPort(device.index);
    }
    return "";
}

}  // namespace zt::sim
