#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ConfigfsGadget.h"
#include "FunctionFsEndpoint0.h"
#include "sim/SimChipModel.h"

namespace zt::gadget {

// What crossed the wire, as the chip saw it, stamped on the steady clock.
struct WireEvent {
    enum class Kind {
        OutputReport,   // bytes: the report, report ID 0 first, as the model takes it
        VendorRequest,  // setup: the request; bytes: the data sent back (IN) or received (OUT)
        Unplug,         // the gadget left its UDC
        Plug,           // the gadget was bound again; bytes: vendor ID, product ID, bcdDevice (big-endian)
    };
    std::chrono::steady_clock::time_point time;
    Kind kind;
    std::vector<uint8_t> bytes;
    ControlSetup setup;
};

struct ChipGadgetOptions {
    sim::ChipVariant variant = sim::ChipVariant::A;
    std::vector<uint8_t> eeprom;      // empty: the variant's factory contents
    int unit = 0;                     // binds to dummy_udc.<unit>; names the gadget zt<unit>
    uint16_t inputReportLength = 64;  // as the tool counts it, report-ID byte included
    uint16_t outputReportLength = 64;
    std::optional<uint16_t> bcdDevice;  // presented instead of the one the chip boots with
    // Enumerates at full speed, as behind a USB 1.1 hub: the gadget's
    // max_speed is full-speed, and the chip presents its image's full-speed
    // device descriptor.
    bool fullSpeed = false;
};

// One ZT51xx on a real USB stack: the simulated chip model behind a configfs
// gadget. A thread of its own answers the output reports on /dev/hidg* and
// the vendor requests on FunctionFS endpoint 0, and carries out plugs and
// unplugs. When the model pulls the chip (its unplug fault), the gadget
// leaves its UDC and stays out. When the host switches the power of the
// gadget's port off, the chip loses power: it leaves, boots again and is
// plugged back in under the IDs it now boots with, to be seen by the host
// once the port has power again.
class ChipGadget {
public:
    explicit ChipGadget(const ChipGadgetOptions& options);  // plugged in when it returns
    ~ChipGadget();                                          // unplugged and removed
    ChipGadget(const ChipGadget&) = delete;
    ChipGadget& operator=(const ChipGadget&) = delete;

    // The cable out and back in: the chip boots again and comes back under
    // the IDs its EEPROM gives it. Returns once the gadget is bound again.
    void Replug();
    // The cable out, for good (until Replug).
    void Unplug();
    bool Plugged() const;

    std::vector<uint8_t> Eeprom() const;
    std::vector<WireEvent> Log() const;
    size_t OutputReportCount() const;
    // Runs `change` on the model under the gadget's lock (faults, registers).
    void WithModel(const std::function<void(sim::SimChipModel&)>& change);

    GadgetIds Ids() const;

private:
    enum class Command { Replug, Unplug, Stop };

    void Serve();
    void RunCommand(Command command);
    // `waitForHost`: return only once the host has taken the device as a HID
    // device, as an operator waits until it is recognised.
    void PlugIn(bool waitForHost = true);
    void PullOut();
    void OnOutputReport(const uint8_t* data, size_t length);
    void OnControl(const ControlSetup& setup);
    void FlushReplies();
    void Post(Command command);

    ChipGadgetOptions options_;
    std::unique_ptr<ConfigfsGadget> gadget_;
    std::unique_ptr<FunctionFsEndpoint0> ep0_;
    int hidg_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::deque<std::vector<uint8_t>> pendingReplies_;  // input reports not yet taken by the host

    mutable std::mutex mutex_;  // guards everything below
    std::condition_variable done_;
    std::deque<Command> commands_;
    uint64_t commandsPosted_ = 0;
    uint64_t commandsDone_ = 0;
    sim::SimChipModel model_;
    std::vector<WireEvent> log_;
    std::string failure_;  // the serving thread's last error, reported by the next command
    std::thread thread_;   // last: starts once everything above is in place
};

}  // namespace zt::gadget
