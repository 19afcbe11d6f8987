#include "sim/SimulatedMachine.h"

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/RealClock.h"
#include "sim/SimClock.h"

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

// The operator's hands: one thread that carries out what was asked of them,
// each action when its time on the bus clock has come. On simulated time a
// pause costs nothing; on real time it is waited out, and a stop ends it.
class SimulatedMachine::Swapper {
public:
    Swapper(SimBus& bus, Clock& clock, bool simulatedClock, const Options::Hands& options)
        : bus_(bus),
          clock_(clock),
          simulated_(simulatedClock),
          options_(options),
          freshLeft_(options.freshUnits) {
        thread_ = std::thread([this] { Run(); });
    }
    ~Swapper() {
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
        swapper_ = std::make_unique<Swapper>(*bus_, *clock_, options.simulatedClock, options.hands);
        description_ += ", an operator's hands";
        // Staggered arrivals: every unit starts out of its port.
        if (options.hands.staggerMs > 0)
            for (int unit = 0; unit < units_; ++unit) {
                bus_->Unplug(chip_ + unit);
                swapper_->PlugIn(chip_ + unit, options.hands.staggerMs * static_cast<uint32_t>(unit + 1));
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

void SimulatedMachine::MachineHands::TakeOut(const std::string& port) {
    const int chip = machine_.ChipAt(port);
    if (machine_.swapper_ && chip >= 0) machine_.swapper_->TakeOut(chip);
}

void SimulatedMachine::ReplugRequested() { bus_->Replug(chip_); }

void SimulatedMachine::MachineHands::Replug(const std::string& port) {
    if (const int chip = machine_.ChipAt(port); chip >= 0) machine_.bus_->Replug(chip);
}

}  // namespace zt::sim
