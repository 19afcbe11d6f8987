#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/UnitLocks.h"

namespace zt {

// The machine as one job sees it: narrowed to the unit on one USB port.
// The HID list, the device notices, the USB walk and the audio path show only
// that port's device, so the dialog's own rules (open the first known device,
// wait for an arrival, count down) run unchanged inside one unit.
//
// The port is fixed either up front (Pin, for --port) or by the first device
// the job opens for reading: that is the device the job works on. Either way
// the port is claimed through UnitLocks first; a port another job holds is
// skipped as if its device were not there, and remembered for the refusal
// message; so is a port whose claim cannot be made, with the reason. Until the port is fixed the view shows
// the whole machine, as the tool always did. Devices whose port the backend cannot tell stay visible.
//
// Threads: safe to use from the user-interface thread, the worker and a
// backend's notice thread at once.
class PortScope {
public:
    PortScope(const Platform& machine, UnitLocks& locks);
    ~PortScope();  // gives up the claim
    PortScope(const PortScope&) = delete;
    PortScope& operator=(const PortScope&) = delete;

    // Fixes and claims the port now. Held when another job holds it;
    // CannotLock, with the reason, when no claim could be made (then nothing
    // is said about other jobs).
    UnitClaim Pin(const std::string& port);
    // The job that fixed the port by its first open has ended: the claim is
    // given up and the whole machine shows again, so that the next job of a
    // dialog that stays open fixes a port of its own (the operator may plug
    // the next unit in anywhere). A port pinned up front stays.
    void Unbind();
    // The port this job is bound to, "" while unbound.
    std::string Port() const;
    // Ports passed over because another job held them.
    std::vector<std::string> HeldElsewhere() const;
    // The last port passed over because its claim could not be made, and
    // why; both "" when there was none.
    struct LockFailure {
        std::string port;
        std::string reason;
    };
    LockFailure LastLockFailure() const;

    Platform AsPlatform();

    struct Parts;

private:
    friend struct Parts;
    bool Admits(const std::string& port) const;  // "" (unknown) is admitted
    bool ClaimOnFirstOpen(const std::string& port);

    const Platform machine_;
    UnitLocks& locks_;
    mutable std::mutex mutex_;
    std::string port_;
    bool pinned_ = false;
    std::vector<std::string> heldElsewhere_;
    LockFailure lockFailure_;
    std::unique_ptr<Parts> parts_;
};

}  // namespace zt
