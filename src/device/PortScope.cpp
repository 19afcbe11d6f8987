#include "device/PortScope.h"

#include <algorithm>
#include <functional>

#include "chip/KnownDeviceTable.h"
#include "platform/ForwardingHidBackend.h"

namespace zt {

namespace {

// A device of ours, whatever the operator has typed: the IDs it leaves the
// factory with or comes back with as an updater.
bool IsKnownDevice(uint16_t vendorId, uint16_t productId) {
    if (IsUpdaterDevice(vendorId, productId)) return true;
    for (const KnownDevice& row : kInitialKnownDevices) {
        if (row.vendorId == 0) break;
        if (row.vendorId == vendorId && row.productId == productId) return true;
    }
    return false;
}

class ScopedHid final : public ForwardingHidBackend {
public:
    ScopedHid(HidBackend& hid, std::function<bool(const std::string&)> admits,
              std::function<bool(const std::string&)> claim)
        : ForwardingHidBackend(hid), admits_(std::move(admits)), claim_(std::move(claim)) {}

    std::vector<std::string> ListInterfaces() override {
        std::vector<std::string> paths = backend_.ListInterfaces();
        std::erase_if(paths, [&](const std::string& path) { return !admits_(backend_.PortOf(path)); });
        return paths;
    }
    Handle Open(const std::string& path, bool forReading) override {
        const std::string port = backend_.PortOf(path);
        if (!admits_(port)) return kInvalidHandle;
        const Handle handle = backend_.Open(path, forReading);
        // The read handle is opened only for the device the job settled on;
        // in a job that has yet to fix its unit, that is the unit.
        if (forReading && IsValidHandle(handle) && !claim_(port)) {
            backend_.Close(handle);
            return kInvalidHandle;
        }
        return handle;
    }

private:
    std::function<bool(const std::string&)> admits_;
    std::function<bool(const std::string&)> claim_;
};

// Passes on the notices of our port (and of devices whose port is unknown);
// the others go to `dropped`.
class ScopedNotices final : public DeviceNoticeSource {
public:
    using Admits = std::function<bool(const std::string&)>;
    using Dropped = std::function<void(const DeviceNotice&)>;
    ScopedNotices(DeviceNoticeSource& notices, Admits admits, Dropped dropped)
        : notices_(notices), admits_(std::move(admits)), dropped_(std::move(dropped)) {}

    uintptr_t Register(DeviceNoticeRecipient& recipient) override {
        auto filter = std::make_unique<Filter>(recipient, admits_, dropped_);
        const uintptr_t registration = notices_.Register(*filter);
        if (registration == 0) return 0;
        std::lock_guard lock(mutex_);
        filters_[registration] = std::move(filter);
        return registration;
    }
    void Unregister(uintptr_t registration) override {
        notices_.Unregister(registration);  // no post after this returns
        std::lock_guard lock(mutex_);
        filters_.erase(registration);
    }

private:
    struct Filter final : DeviceNoticeRecipient {
        Filter(DeviceNoticeRecipient& r, Admits a, Dropped d)
            : recipient(r), admits(std::move(a)), dropped(std::move(d)) {}
        void PostDeviceChange(const DeviceNotice& notice) override {
            if (admits(notice.port))
                recipient.PostDeviceChange(notice);
            else
                dropped(notice);
        }
        DeviceNoticeRecipient& recipient;
        Admits admits;
        Dropped dropped;
    };

    DeviceNoticeSource& notices_;
    Admits admits_;
    Dropped dropped_;
    std::mutex mutex_;
    std::map<uintptr_t, std::unique_ptr<Filter>> filters_;
};

class ScopedUsb final : public UsbTree {
public:
    ScopedUsb(UsbTree& usb, std::function<bool(const std::string&)> admits)
        : usb_(usb), admits_(std::move(admits)) {}
    std::vector<UsbDeviceEntry> ListDevices() override {
        std::vector<UsbDeviceEntry> devices = usb_.ListDevices();
        std::erase_if(devices, [&](const UsbDeviceEntry& d) { return !d.isHub && !admits_(d.port); });
        return devices;
    }

private:
    UsbTree& usb_;
    std::function<bool(const std::string&)> admits_;
};

class ScopedAudio final : public AudioFilterBackend {
public:
    ScopedAudio(AudioFilterBackend& audio, std::function<std::string()> port)
        : audio_(audio), port_(std::move(port)) {}
    Handle Open(const std::string& serviceName) override {
        const std::string port = port_();
        return port.empty() ? audio_.Open(serviceName) : audio_.OpenAtPort(serviceName, port);
    }
    bool SendProperty(Handle handle, const uint8_t (&frame)[48], uint8_t (&reply)[4],
                      uint32_t& replyLength) override {
        return audio_.SendProperty(handle, frame, reply, replyLength);
    }
    void Close(Handle handle) override { audio_.Close(handle); }

private:
    AudioFilterBackend& audio_;
    std::function<std::string()> port_;
};

}  // namespace

struct PortScope::Parts {
    explicit Parts(PortScope& scope)
        : hid(
              scope.machine_.hid, [&scope](const std::string& p) { return scope.Admits(p); },
              [&scope](const std::string& p) { return scope.ClaimOnJobOpen(p); }),
          notices(
              scope.machine_.notices, [&scope](const std::string& p) { return scope.Admits(p); },
              [&scope](const DeviceNotice& n) { scope.Dropped(n); }),
          usb(scope.machine_.usb, [&scope](const std::string& p) { return scope.Admits(p); }),
          audio(scope.machine_.audio, [&scope] { return scope.Port(); }) {}
    ScopedHid hid;
    ScopedNotices notices;
    ScopedUsb usb;
    ScopedAudio audio;
};

PortScope::PortScope(const Platform& machine, UnitLocks& locks)
    : machine_(machine), locks_(locks), parts_(std::make_unique<Parts>(*this)) {}

PortScope::~PortScope() {
    std::lock_guard lock(mutex_);
    if (!port_.empty()) locks_.Release(port_);
}

UnitClaim PortScope::Pin(const std::string& port) {
    std::lock_guard lock(mutex_);
    if (port_ == port && !port.empty()) return {ClaimOutcome::Claimed};
    if (port.empty()) return {ClaimOutcome::CannotLock, "no port given"};
    if (!port_.empty()) return {ClaimOutcome::CannotLock, "the job is bound to port " + port_ + " already"};
    const UnitClaim claim = locks_.TryClaim(port);
    if (claim.outcome == ClaimOutcome::Held) heldElsewhere_.push_back(port);
    if (claim.outcome == ClaimOutcome::CannotLock) lockFailure_ = {port, claim.reason};
    if (!claim.Claimed()) return claim;
    port_ = port;
    pinned_ = true;
    return claim;
}

void PortScope::BindOnJobOpen() {
    std::lock_guard lock(mutex_);
    bindOnOpen_ = true;
}

void PortScope::Unbind() {
    std::lock_guard lock(mutex_);
    bindOnOpen_ = false;
    if (pinned_ || port_.empty()) return;
    locks_.Release(port_);
    port_.clear();
    heldElsewhere_.clear();  // another job may have finished with them since
    lockFailure_ = {};
}

std::string PortScope::Port() const {
    std::lock_guard lock(mutex_);
    return port_;
}

std::vector<std::string> PortScope::HeldElsewhere() const {
    std::lock_guard lock(mutex_);
    return heldElsewhere_;
}

PortScope::LockFailure PortScope::LastLockFailure() const {
    std::lock_guard lock(mutex_);
    return lockFailure_;
}

bool PortScope::Admits(const std::string& port) const {
    if (port.empty()) return true;
    std::lock_guard lock(mutex_);
    if (!port_.empty()) return port == port_;
    // Unbound: everything but the units we already know another job holds.
    return std::find(heldElsewhere_.begin(), heldElsewhere_.end(), port) == heldElsewhere_.end();
}

bool PortScope::ClaimOnJobOpen(const std::string& port) {
    if (port.empty()) return true;
    std::lock_guard lock(mutex_);
    if (!port_.empty()) return port == port_;
    // Outside a job an open binds nothing: the next job chooses its own unit.
    if (!bindOnOpen_) return true;
    const UnitClaim claim = locks_.TryClaim(port);
    if (claim.outcome == ClaimOutcome::Held) heldElsewhere_.push_back(port);
    if (claim.outcome == ClaimOutcome::CannotLock) lockFailure_ = {port, claim.reason};
    if (!claim.Claimed()) return false;
    port_ = port;
    bindOnOpen_ = false;
    return true;
}

void PortScope::OnArrivalElsewhere(std::function<void(const DeviceNotice&)> listener) {
    std::lock_guard lock(listenerMutex_);
    arrivalElsewhere_ = std::move(listener);
}

void PortScope::Dropped(const DeviceNotice& notice) {
    if (notice.kind != DeviceNotice::Kind::Arrival || !IsKnownDevice(notice.vendorId, notice.productId))
        return;
    {
        // Unbound, a notice is dropped only for a port another job holds:
        // that unit is being looked after.
        std::lock_guard lock(mutex_);
        if (port_.empty() || notice.port == port_) return;
    }
    std::lock_guard lock(listenerMutex_);
    if (arrivalElsewhere_) arrivalElsewhere_(notice);
}

Platform PortScope::AsPlatform() {
    return Platform{machine_.clock, parts_->hid, parts_->audio, parts_->notices, parts_->usb};
}

}  // namespace zt
