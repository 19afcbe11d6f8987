#include "sim/SimAudioFilterBackend.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "chip/VendorPropertyFrame.h"
#include "sim/SimBusState.h"

namespace zt::sim {
namespace {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

using Kind = SimLogEntry::Kind;

Handle SimAudioFilterBackend::Open(const std::string& serviceName) { return OpenAtPort(serviceName, ""); }

Handle SimAudioFilterBackend::OpenAtPort(const std::string& serviceName, const std::string& port) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    if (!state_.audioPresent || !EqualsIgnoringCase(serviceName, state_.audioServiceName))
        return kInvalidHandle;
    for (size_t i = 0; i < state_.chips.size(); ++i) {
        const auto& chip = *state_.chips[i];
        if (!chip.plugged()) continue;
        if (!port.empty() && SimBus::State::ChipPort(static_cast<int>(i)) != port) continue;
        const Handle handle = state_.NewHandle();
        state_.audioHandles[handle] = {static_cast<int>(i), chip.generation()};
        state_.Log(static_cast<int>(i), Kind::AudioOpen);
        return handle;
    }
    return kInvalidHandle;
}

bool SimAudioFilterBackend::SendProperty(Handle handle, const uint8_t (&frame)[48], uint8_t (&reply)[4],
                                         uint32_t& replyLength) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    replyLength = 0;
    auto it = state_.audioHandles.find(handle);
    const int chipIndex = it == state_.audioHandles.end() ? -1 : it->second.chip;
    state_.Log(chipIndex, Kind::VendorRequest, {std::begin(frame), std::end(frame)});
    if (chipIndex < 0) return false;
    auto& chip = state_.Chip(chipIndex);
    if (!chip.plugged() || chip.generation() != it->second.generation) return false;

    // The driver knows one property set; under any other the request is refused.
    const VendorPropertyFrame parsed = ParseVendorPropertyFrame(frame);
    if (parsed.propertySet == 0 || parsed.propertySet != state_.acceptedPropertySet) return false;
    if (parsed.propertyId != kVendorPropertyId) return false;

    const uint8_t request = parsed.request;
    const uint16_t value = parsed.value;
    const uint16_t index = parsed.index;
    switch (parsed.requestType) {
        case kRequestTypeVendorOut:
            chip.VendorOut(request, value, index);
            return true;
        case kRequestTypeVendorIn: {
            const uint32_t result = chip.VendorIn(request, value, index);
            replyLength = std::min<uint32_t>(state_.inReplyLength, sizeof reply);
            for (uint32_t i = 0; i < replyLength; ++i) reply[i] = static_cast<uint8_t>(result >> (8 * i));
            return true;
        }
        default:
            return false;
    }
}

void SimAudioFilterBackend::Close(Handle handle) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    auto it = state_.audioHandles.find(handle);
    if (it == state_.audioHandles.end()) return;
    state_.Log(it->second.chip, Kind::AudioClose);
    state_.audioHandles.erase(it);
}

}  // namespace zt::sim
