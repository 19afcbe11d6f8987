#include "platform/sim/SimulatedMachine.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/RealClock.h"
#include "platform/sim/SimClock.h"

namespace zt::sim {

namespace {
const char* VariantName(ChipVariant variant) {
    switch (variant) {
        case ChipVariant::A:
            return "A";
        case ChipVariant::B:
            return "B";
        case ChipVariant::Unknown:
            return "unknown";
    }
    return "?";
}
}  // namespace

std::optional<ChipVariant> ParseChipVariant(const std::string& text) {
    std::string name = text;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "a") return ChipVariant::A;
    if (name == "b") return ChipVariant::B;
    if (name == "unknown") return ChipVariant::Unknown;
    return std::nullopt;
}

std::optional<bool> ParseFullSpeedLink(const std::string& text) {
    std::string name = text;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "full") return true;
    if (name == "high") return false;
    return std::nullopt;
}

bool SimulatedMachine::ParseArguments(const Arguments& arguments, Options* options, std::string* error) {
    const auto variant = ParseChipVariant(arguments.variant);
    if (!variant) {
        *error = "unknown variant '" + arguments.variant + "': use A, B or unknown";
        return false;
    }
    Options parsed;
    parsed.variant = *variant;
    parsed.updater = arguments.updater;
    parsed.simulatedClock = arguments.simulatedClock;
    if (arguments.units < 1 || arguments.units > kMaxUnits) {
        *error = "--units " + std::to_string(arguments.units) + ": give 1 to " + std::to_string(kMaxUnits);
        return false;
    }
    parsed.units = arguments.units;
    if (arguments.handlingMs >= 0) {
        if (arguments.handlingMs > 600000 || arguments.staggerMs < 0 || arguments.staggerMs > 600000 ||
            arguments.freshUnits < -1) {
            *error = "--sim-handling-ms and --sim-stagger-ms take 0 to 600000, --sim-fresh -1 or more";
            return false;
        }
        parsed.hands = {true, static_cast<uint32_t>(arguments.handlingMs),
                        static_cast<uint32_t>(arguments.staggerMs), arguments.freshUnits};
    }
    // "U" of an option's "U:..." (or of --updater U) as a unit of this hub.
    auto unitOf = [&](const std::string& option, const std::string& text, const std::string& unit,
                      int* index) {
        const bool digits =
            !unit.empty() && unit.size() <= 2 &&
            std::all_of(unit.begin(), unit.end(), [](unsigned char c) { return std::isdigit(c); });
        *index = digits ? std::stoi(unit) : 0;
        if (*index >= 1 && *index <= parsed.units) return true;
        *error = option + " '" + text + "': unit '" + unit + "' is not one of 1 to " +
                 std::to_string(parsed.units) + " (see --units)";
        return false;
    };
    for (const std::string& text : arguments.unitVariants) {
        const size_t colon = text.find(':');
        int index = 0;
        if (colon == std::string::npos) {
            *error = "--variant '" + text + "': give VARIANT or UNIT:VARIANT";
            return false;
        }
        if (!unitOf("--variant", text, text.substr(0, colon), &index)) return false;
        const auto own = ParseChipVariant(text.substr(colon + 1));
        if (!own) {
            *error = "--variant '" + text + "': unknown variant '" + text.substr(colon + 1) +
                     "': use A, B or unknown";
            return false;
        }
        parsed.unitVariants[index] = *own;
    }
    for (const std::string& text : arguments.links) {
        const size_t colon = text.find(':');
        const std::string linkText = colon == std::string::npos ? text : text.substr(colon + 1);
        const auto fullSpeed = ParseFullSpeedLink(linkText);
        if (!fullSpeed) {
            *error = "--link '" + text + "': unknown link '" + linkText + "': use full or high";
            return false;
        }
        int index = 0;
        if (colon == std::string::npos)
            parsed.fullSpeed = *fullSpeed;
        else if (!unitOf("--link", text, text.substr(0, colon), &index))
            return false;
        else
            parsed.unitFullSpeed[index] = *fullSpeed;
    }
    for (const std::string& text : arguments.updaterUnits) {
        int index = 0;
        if (!unitOf("--updater", text, text, &index)) return false;
        parsed.updaterUnits.insert(index);
    }
    auto apply = [&](SimFaults& faults, const std::string& fault, const std::string& name) {
        std::string reason;
        if (ApplyFaultByName(faults, name, &reason)) return true;
        *error = "--fault '" + fault + "': " + (reason.empty() ? "unknown fault" : reason);
        return false;
    };
    // Faults for every unit first, so that a unit's own faults add to them
    // whatever order they were typed in.
    std::vector<std::pair<int, std::string>> targeted;
    for (const std::string& fault : arguments.faults) {
        // "U:NAME" names a unit; a colon inside a value ("stuck=ADDR:TIMES")
        // comes after the '=' and does not.
        const size_t colon = fault.find(':');
        if (colon == std::string::npos || fault.find('=') < colon) {
            if (!apply(parsed.faults, fault, fault)) return false;
            continue;
        }
        int index = 0;
        if (!unitOf("--fault", fault, fault.substr(0, colon), &index)) return false;
        targeted.emplace_back(index, fault);
    }
    for (const auto& [index, fault] : targeted) {
        auto found = parsed.unitFaults.find(index);
        if (found == parsed.unitFaults.end()) found = parsed.unitFaults.emplace(index, parsed.faults).first;
        if (!apply(found->second, fault, fault.substr(fault.find(':') + 1))) return false;
    }
    *options = std::move(parsed);
    return true;
}

// The operator's hands: one thread that carries out what was asked of them,
// each action when its time on the bus clock has come. On simulated time a
// pause costs nothing; on real time it is waited out, and a stop ends it.
class SimulatedMachine::Hands {
public:
    Hands(SimBus& bus, Clock& clock, bool simulatedClock, const Options::Hands& options)
        : bus_(bus),
          clock_(clock),
          simulated_(simulatedClock),
          options_(options),
          freshLeft_(options.freshUnits) {
        thread_ = std::thread([this] { Run(); });
    }
    ~Hands() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    // `chip` arrives `delayMs` from now.
    void PlugIn(int chip, uint32_t delayMs) {
        Schedule(delayMs, [this, chip] { bus_.Plug(chip); });
    }
    // `chip` goes out after half the handling time; a fresh unit follows
    // after the other half while any are left.
    void TakeOut(int chip) {
        Schedule(options_.handlingMs / 2, [this, chip] {
            bus_.ReplaceUnit(chip);
            bool fresh = false;
            {
                std::lock_guard lock(mutex_);
                if (freshLeft_ != 0) {
                    fresh = true;
                    if (freshLeft_ > 0) --freshLeft_;
                }
            }
            if (fresh) PlugIn(chip, options_.handlingMs - options_.handlingMs / 2);
        });
    }

private:
    void Schedule(uint32_t delayMs, std::function<void()> action) {
        {
            std::lock_guard lock(mutex_);
            due_.emplace(clock_.NowUs() + uint64_t{delayMs} * 1000, std::move(action));
        }
        wake_.notify_all();
    }

    void Run() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (due_.empty()) {
                wake_.wait(lock);
                continue;
            }
            const uint64_t now = clock_.NowUs();
            const uint64_t at = due_.begin()->first;
            if (at > now) {
                const uint64_t waitUs = at - now;
                if (simulated_) {
                    lock.unlock();
                    clock_.SleepMs(static_cast<uint32_t>((waitUs + 999) / 1000));
                    lock.lock();
                } else {
                    wake_.wait_for(lock, std::chrono::microseconds(waitUs));
                }
                continue;
            }
            auto action = std::move(due_.begin()->second);
            due_.erase(due_.begin());
            lock.unlock();
            action();
            lock.lock();
        }
    }

    SimBus& bus_;
    Clock& clock_;
    const bool simulated_;
    const Options::Hands options_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<uint64_t, std::function<void()>> due_;
    int freshLeft_;
    bool stop_ = false;
    std::thread thread_;
};

SimulatedMachine::SimulatedMachine(const Options& options) {
    if (options.simulatedClock)
        clock_ = std::make_unique<SimClock>();
    else
        clock_ = std::make_unique<RealClock>();
    bus_ = std::make_unique<SimBus>(*clock_);
    units_ = std::max(1, options.units);
    for (int unit = 1; unit <= units_; ++unit) {
        const auto ownVariant = options.unitVariants.find(unit);
        const int chip = bus_->AddFactoryChip(ownVariant != options.unitVariants.end() ? ownVariant->second
                                                                                       : options.variant);
        if (unit == 1) chip_ = chip;
        const auto ownLink = options.unitFullSpeed.find(unit);
        if (ownLink != options.unitFullSpeed.end() ? ownLink->second : options.fullSpeed) {
            // Behind a USB 1.1 hub from the start: it enumerates at full speed.
            bus_->SetFullSpeedLink(chip, true);
            bus_->Replug(chip);
        }
        if (options.updater || options.updaterUnits.count(unit)) {
            // An erased header: the chip boots as its variant's updater device.
            bus_->SetEeprom(chip, 0, std::vector<uint8_t>(8, 0xFF));
            bus_->Replug(chip);
        }
        const auto own = options.unitFaults.find(unit);
        bus_->Faults(chip) = own != options.unitFaults.end() ? own->second : options.faults;
    }
    bus_->ClearLog();
    power_ = std::make_unique<SimPortPower>(*bus_, *clock_, chip_, units_);
    description_ =
        (units_ > 1 ? std::to_string(units_) + " simulated chips" : std::string("simulated chip")) +
        ", variant " + VariantName(options.variant) + (options.updater ? ", updater" : "") +
        (options.fullSpeed ? ", full-speed" : "");
    for (int unit = 1; unit <= units_; ++unit) {
        const auto ownVariant = options.unitVariants.find(unit);
        const bool ownUpdater = !options.updater && options.updaterUnits.count(unit);
        const auto ownLink = options.unitFullSpeed.find(unit);
        const bool ownFullSpeed =
            ownLink != options.unitFullSpeed.end() && ownLink->second != options.fullSpeed;
        if (ownVariant == options.unitVariants.end() && !ownUpdater && !ownFullSpeed) continue;
        description_ += ", unit " + std::to_string(unit) + ":";
        if (ownVariant != options.unitVariants.end())
            description_ += std::string(" variant ") + VariantName(ownVariant->second);
        if (ownUpdater) description_ += " updater";
        if (ownFullSpeed) description_ += ownLink->second ? " full-speed" : " high-speed";
    }
    if (options.simulatedClock) description_ += ", simulated time";
    if (options.hands.enabled) {
        hands_ = std::make_unique<Hands>(*bus_, *clock_, options.simulatedClock, options.hands);
        description_ += ", an operator's hands";
        // Staggered arrivals: every unit starts out of its port.
        if (options.hands.staggerMs > 0)
            for (int unit = 0; unit < units_; ++unit) {
                bus_->Unplug(chip_ + unit);
                hands_->PlugIn(chip_ + unit, options.hands.staggerMs * static_cast<uint32_t>(unit + 1));
            }
    }
}

SimulatedMachine::~SimulatedMachine() = default;

int SimulatedMachine::ChipAt(const std::string& port) const {
    // The chips were added first, so chip i sits on the hub's port i+1.
    for (int chip = chip_; chip < chip_ + units_; ++chip)
        if (port.empty() || bus_->Port(chip) == port) return chip;
    return -1;
}

void SimulatedMachine::UnitDone(const std::string& port) {
    const int chip = ChipAt(port);
    if (hands_ && chip >= 0) hands_->TakeOut(chip);
}

void SimulatedMachine::ReplugRequested() { bus_->Replug(chip_); }

void SimulatedMachine::ReplugUnit(const std::string& port) {
    if (const int chip = ChipAt(port); chip >= 0) bus_->Replug(chip);
}

}  // namespace zt::sim
