#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioFilterBackend.h"
#include "platform/Clock.h"
#include "platform/DeviceNotices.h"
#include "platform/HidBackend.h"
#include "platform/Platform.h"
#include "platform/UsbTree.h"
#include "sim/SimChip.h"

namespace zt::sim {

struct SimLogEntry {
    enum class Kind {
        OutputReport,  // bytes: the report as written
        InputReport,   // bytes: the report as read by the host
        ReadTimeout,
        VendorRequest,  // bytes: the 48-byte property frame
        Plug,           // bytes: vendor ID and product ID presented, big-endian
        Unplug,
        Open,  // bytes: {1} for the handle that reads input reports, else {0}
        Close,
        FailedWrite,  // bytes: an output report that did not reach the chip
        AudioOpen,    // the audio driver path opened / closed a handle on the chip
        AudioClose,
    };
    uint64_t timeUs;  // on the bus's clock
    int chip;         // index of the chip; -1 for another HID device or an unknown handle
    Kind kind;
    std::vector<uint8_t> bytes;
};

// The EEPROM of a chip as it leaves the factory: its variant's image, the
// header copy at 0x4010, firmware version bytes 1.0.0 at 0x4074, marker 0 at
// 0x401C (32 KiB).
std::vector<uint8_t> FactoryEeprom(ChipVariant variant);

// A USB bus with simulated ZT51xx chips on it. It implements every platform
// capability the core needs, so a dialog runs against it exactly as against
// real devices:
//   hid()      HidBackend        (one HID interface per plugged chip)
//   audio()    AudioFilterBackend (vendor requests 0x13, 0x21, 0x22)
//   usb()      UsbTree           (root hub, an external hub, the chips)
//   notices()  DeviceNoticeSource (arrival/removal on every plug and unplug)
// All of it is safe to call from several threads.
class SimBus {
public:
    explicit SimBus(Clock& clock);
    ~SimBus();

    // Adds a chip (plugged in, with an arrival notice) whose EEPROM holds
    // `eeprom` (32 KiB; shorter contents are padded with 0xFF). Returns its index.
    int AddChip(ChipVariant variant, const std::vector<uint8_t>& eeprom);
    // A chip as it leaves the factory: its variant's image, the header copy at
    // 0x4010, firmware version bytes 1.0.0 at 0x4074, marker 0 at 0x401C.
    int AddFactoryChip(ChipVariant variant);
    // Adds a HID device that is not a ZT51xx (other IDs, never answers).
    void AddOtherHidDevice(uint16_t vendorId, uint16_t productId);

    // Plug state. Unplug sends a removal notice, Plug boots the chip from its
    // EEPROM and sends an arrival notice. Replug = Unplug + Plug. Notices are
    // posted on the calling thread once the bus's lock is released.
    void Unplug(int chip = 0);
    void Plug(int chip = 0);
    void Replug(int chip = 0);
    bool IsPlugged(int chip = 0) const;
    // The chip is taken out (a removal notice if it was plugged) and a fresh
    // unit of its variant, as it leaves the factory, waits in its place,
    // unplugged; the earlier unit's faults go with it.
    void ReplaceUnit(int chip);

    // What the chip presents on USB now. A chip whose EEPROM has a valid header
    // ("WTC\0") presents its tail block's vendor/product ID and its device
    // descriptor's release number; one without boots as an updater device
    // (3C4D:735E for variant A, 3C4D:735F for B).
    uint16_t VendorId(int chip = 0) const;
    uint16_t ProductId(int chip = 0) const;
    uint16_t BcdDevice(int chip = 0) const;
    std::string Serial(int chip = 0) const;  // the serial string it presents; "" for none
    std::string Path(int chip = 0) const;    // its HID interface, "sim:" and its port
    std::string Port(int chip = 0) const;    // the hub port the chip is plugged into

    // Direct access for tests and demos.
    std::vector<uint8_t> Eeprom(int chip = 0) const;  // 32768 bytes
    void SetEeprom(int chip, uint16_t address, const std::vector<uint8_t>& bytes);
    uint8_t Register(int chip, uint8_t reg) const;
    void SetRegister(int chip, uint8_t reg, uint8_t value);
    // Every register write the chip received, HID or vendor request, in order:
    // (register, value).
    std::vector<std::pair<uint8_t, uint8_t>> RegisterWrites(int chip = 0) const;
    SimFaults& Faults(int chip = 0);  // change only while no exchange runs
    // Puts the chip's port behind a full-speed link (or back): it presents
    // its image's full-speed device descriptor from its next boot on.
    void SetFullSpeedLink(int chip, bool fullSpeed);
    void SetAudioServiceName(const std::string& name);  // default "MarluUAC"
    void SetAcceptedPropertySet(int set);               // 1..3, or 0: the driver refuses all
    void SetInReplyLength(uint32_t length);             // bytes an IN request returns (default 4)
    void SetAudioPresent(bool present);                 // default true

    // What crossed the bus, in order: the most recent entries, at most
    // LogCapacity() of them. A bus that runs job after job, or a fault that
    // makes the chip answer hundreds of times per request, would otherwise
    // keep every report it ever carried. The default holds several complete
    // write jobs, so a test that reads one job's traffic sees all of it;
    // LogDropped() tells whether anything fell off the front.
    static constexpr size_t kDefaultLogCapacity = size_t{1} << 16;
    std::vector<SimLogEntry> Log() const;
    void ClearLog();  // also resets LogDropped()
    size_t LogCapacity() const;
    void SetLogCapacity(size_t entries);  // 0 logs nothing; excess entries are dropped now
    uint64_t LogDropped() const;          // entries dropped since the last ClearLog

    HidBackend& hid();
    AudioFilterBackend& audio();
    UsbTree& usb();
    DeviceNoticeSource& notices();
    Clock& clock();
    Platform AsPlatform() { return Platform{clock(), hid(), audio(), notices(), usb()}; }

    struct State;  // shared with the per-interface implementations

private:
    std::unique_ptr<State> state_;
};

}  // namespace zt::sim
