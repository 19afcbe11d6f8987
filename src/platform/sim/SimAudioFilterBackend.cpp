#include "platform/sim/SimAudioFilterBackend.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "device/AudioDriverPath.h"
#include "platform/sim/SimBusState.h"

namespace zt::sim {
namespace {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Frame layout: property set 0..15, id 16..19, flags 20..23, then the USB
// setup fields: request type 24, request 25, value 26..27, index 28..29.
constexpr size_t kIdOffset = 16;
constexpr size_t kRequestTypeOffset = 24;
constexpr size_t kRequestOffset = 25;
constexpr size_t kValueOffset = 26;
constexpr size_t kIndexOffset = 28;

}  // namespace

using Kind = SimLogEntry::Kind;

Handle SimAudioFilterBackend::Open(const std::string& serviceName) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    if (!state_.audioPresent || !EqualsIgnoringCase(serviceName, state_.audioServiceName))
        return kInvalidHandle;
    for (size_t i = 0; i < state_.chips.size(); ++i) {
        const auto& chip = *state_.chips[i];
        if (!chip.plugged()) continue;
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
    const int set = state_.acceptedPropertySet;
    if (set < 1 || set > static_cast<int>(kVendorPropertySets.size())) return false;
    const auto& guid = kVendorPropertySets[static_cast<size_t>(set - 1)];
    if (!std::equal(guid.begin(), guid.end(), frame)) return false;
    if (Le32(frame + kIdOffset) != kVendorPropertyId) return false;

    const uint8_t request = frame[kRequestOffset];
    const uint16_t value = Le16(frame + kValueOffset);
    const uint16_t index = Le16(frame + kIndexOffset);
    switch (frame[kRequestTypeOffset]) {
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
