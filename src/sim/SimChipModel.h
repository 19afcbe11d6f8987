#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/SimChip.h"

namespace zt::sim {

// One simulated ZT51xx: its EEPROM, its registers, how it boots from the EEPROM
// and how it answers the vendor HID reports and vendor requests. The model knows
// nothing of handles, threads or time; the bus serialises every call under its
// lock and timestamps what the model produces.
class SimChipModel {
public:
    static constexpr size_t kEepromSize = 0x8000;
    static constexpr uint16_t kProgramAreaEnd = 0x4000;    // the erase blanks 0x0000..0x3FFF
    static constexpr uint16_t kUpdaterBcdDevice = 0x0100;  // the boot loader's own release

    // What became of one output report.
    struct OutputOutcome {
        enum class Kind { Delivered, Failed, Unplugged } kind = Kind::Delivered;
        std::vector<std::vector<uint8_t>> replies;  // input reports the chip sends, in order
    };

    SimChipModel(ChipVariant variant, const std::vector<uint8_t>& eeprom);

    ChipVariant variant() const { return variant_; }
    uint16_t ChipIdentifier() const;

    // Plug state. Plug boots from the EEPROM; a handle is alive only while the
    // generation it was opened under is current.
    void Plug();
    void Unplug();
    bool plugged() const { return plugged_; }
    uint64_t generation() const { return generation_; }
    uint16_t vendorId() const { return vendorId_; }
    uint16_t productId() const { return productId_; }
    uint16_t bcdDevice() const { return bcdDevice_; }
    const std::string& serial() const { return serial_; }  // "" for the updater device
    // The port's link: behind a USB 1.1 hub the chip runs at full speed and
    // answers with the full-speed device descriptor of its image (from its
    // next boot on). The link belongs to the port: a fresh unit keeps it.
    void SetFullSpeedLink(bool fullSpeed) { fullSpeedLink_ = fullSpeed; }
    bool fullSpeedLink() const { return fullSpeedLink_; }

    // One output report as the host wrote it (byte 0 the report ID). Counts the
    // request, applies the write and unplug faults (Unplugged: the bus pulls the
    // chip and the report is lost), carries out the command and
    // returns the replies it provokes, shaped by the reply faults.
    OutputOutcome ReceiveOutputReport(const uint8_t* data, size_t length);

    // Vendor requests from the audio driver. Unknown requests are accepted and
    // do nothing, as the chip's request handler ignores them.
    void VendorOut(uint8_t request, uint16_t value, uint16_t index);
    uint32_t VendorIn(uint8_t request, uint16_t value, uint16_t index);

    std::vector<uint8_t> Eeprom() const { return {eeprom_.begin(), eeprom_.end()}; }
    void SetEeprom(uint16_t address, const std::vector<uint8_t>& bytes);
    uint8_t Register(uint8_t reg) const { return registers_[reg]; }
    void SetRegister(uint8_t reg, uint8_t value) { registers_[reg] = value; }
    const std::vector<std::pair<uint8_t, uint8_t>>& RegisterWrites() const { return registerWrites_; }

    // A fresh unit from the factory takes this one's place (unplugged): its
    // EEPROM as `eeprom`, no request counted, and none of the faults the
    // earlier unit had; the hub's own (no port power) stays.
    void ReplaceUnit(const std::vector<uint8_t>& eeprom);

    SimFaults& faults() { return faults_; }
    const SimFaults& faults() const { return faults_; }

private:
    // EEPROM cell access as the chip's firmware does it, with the cell faults.
    uint8_t ReadCell(uint16_t address) const;
    void WriteCell(uint16_t address, uint8_t value);
    void WriteRegister(uint8_t reg, uint8_t value);
    void Boot();
    void Erase();

    std::vector<uint8_t> NewReply() const;
    void AddReplies(OutputOutcome& outcome, const SimRequest& request, std::vector<uint8_t> reply,
                    bool isEepromRead);

    ChipVariant variant_;
    std::array<uint8_t, kEepromSize> eeprom_{};
    std::array<uint8_t, 256> registers_{};
    std::vector<std::pair<uint8_t, uint8_t>> registerWrites_;
    SimFaults faults_;
    uint64_t requestCount_ = 0;
    bool plugged_ = false;
    uint64_t generation_ = 0;
    uint16_t vendorId_ = 0;
    uint16_t productId_ = 0;
    uint16_t bcdDevice_ = 0;
    std::string serial_;
    bool written_ = false;  // an EEPROM cell was written since the unit was made
    bool fullSpeedLink_ = false;
};

}  // namespace zt::sim
