#include "platform/PortScope.h"

#include <algorithm>
#include <functional>

#include "platform/ForwardingHidBackend.h"

namespace zt {

namespace {

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
        // The read handle is opened only for the device the job settled on.
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

// Passes on the notices of our port (and of devices whose port is unknown).
class ScopedNotices final : public DeviceNoticeSource {
public:
    ScopedNotices(DeviceNoticeSource& notices, std::function<bool(const std::string&)> admits)
        : notices_(notices), admits_(std::move(admits)) {}

    uintptr_t Register(DeviceNoticeRecipient& recipient) override {
        auto filter = std::make_unique<Filter>(recipient, admits_);
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
        Filter(DeviceNoticeRecipient& r, std::function<bool(const std::string&)> a)
            : recipient(r), admits(std::move(a)) {}
        void PostDeviceChange(uint32_t eventCode, const DeviceBroadcast& record) override {
            if (admits(record.port)) recipient.PostDeviceChange(eventCode, record);
        }
        DeviceNoticeRecipient& recipient;
        std::function<bool(const std::string&)> admits;
    };

    DeviceNoticeSource& notices_;
    std::function<bool(const std::string&)> admits_;
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
              [&scope](const std::string& p) { return scope.ClaimOnFirstOpen(p); }),
          notices(scope.machine_.notices, [&scope](const std::string& p) { return scope.Admits(p); }),
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

void PortScope::Unbind() {
    std::lock_guard lock(mutex_);
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

bool PortScope::ClaimOnFirstOpen(const std::string& port) {
    if (port.empty()) return true;
    std::lock_guard lock(mutex_);
    if (!port_.empty()) return port == port_;
    const UnitClaim claim = locks_.TryClaim(port);
    if (claim.outcome == ClaimOutcome::Held) heldElsewhere_.push_back(port);
    if (claim.outcome == ClaimOutcome::CannotLock) lockFailure_ = {port, claim.reason};
    if (!claim.Claimed()) return false;
    port_ = port;
    return true;
}

Platform PortScope::AsPlatform() {
    return Platform{machine_.clock, parts_->hid, parts_->audio, parts_->notices, parts_->usb};
}

}  // namespace zt
