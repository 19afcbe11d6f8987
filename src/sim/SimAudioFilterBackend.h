#pragma once
#include "platform/AudioFilterBackend.h"
#include "sim/SimBus.h"

namespace zt::sim {

// The audio driver of the first plugged chip: it accepts vendor property
// frames under one configured property set and forwards them to the chip as
// vendor requests (0x13 EEPROM byte write, 0x21 register write, 0x22 register
// read). Every frame, accepted or refused, is logged.
class SimAudioFilterBackend final : public AudioFilterBackend {
public:
    explicit SimAudioFilterBackend(SimBus::State& state) : state_(state) {}

    Handle Open(const std::string& serviceName) override;
    bool SendProperty(Handle handle, const uint8_t (&frame)[48], uint8_t (&reply)[4],
                      uint32_t& replyLength) override;
    void Close(Handle handle) override;
    Handle OpenAtPort(const std::string& serviceName, const std::string& port) override;

private:
    SimBus::State& state_;
};

}  // namespace zt::sim
