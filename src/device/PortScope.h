#pragma once
#include <functional>
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
// The job's request decides the unit, and only the request: either the port
// is fixed up front (Pin, for a port the request names), or the request asks
// for "the unit the typed IDs select" (BindOnJobOpen): then the job's own
// read-open, which searches the known-device table from the typed row on,
// fixes the port. Opens outside a job (the dialog's start-up open, the idle
// worker opening a device that arrived, the completion re-plug) bind nothing.
// Either way the port is claimed through UnitLocks first; a port another job
// holds is skipped as if its device were not there, and remembered for the
// refusal message; so is a port whose claim cannot be made, with the
// reason. While unbound the view shows the whole machine. Devices
// whose port the backend cannot tell stay visible.
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
    // The next read-open fixes and claims the port of the device it opens:
    // call it just before a job, an erase or a version query whose request
    // names no port.
    void BindOnJobOpen();
    // The job has ended: a port its open fixed is given up and the whole
    // machine shows again, so that the next job of a dialog that stays open
    // fixes a port of its own (the operator may plug the next unit in
    // anywhere). A port pinned up front stays.
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

    // While the scope is bound to a port, the arrival of a known device (a row
    // of the initial known-device table, or an updater) on another port is
    // still kept from the dialog, but handed to `listener`: a station can tell
    // the operator that a unit was plugged in where no job waits for it.
    // Called on the notice source's thread, so the listener must be quick and
    // must not call OnArrivalElsewhere itself. Replacing the listener (an
    // empty one clears it) waits for a call under way, so the old listener is
    // never called once this returns.
    void OnArrivalElsewhere(std::function<void(const DeviceNotice&)> listener);

    Platform AsPlatform();

    struct Parts;

private:
    friend struct Parts;
    bool Admits(const std::string& port) const;  // "" (unknown) is admitted
    bool ClaimOnJobOpen(const std::string& port);
    void Dropped(const DeviceNotice& notice);  // a notice Admits kept from the dialog

    const Platform machine_;
    UnitLocks& locks_;
    mutable std::mutex mutex_;
    std::string port_;
    bool pinned_ = false;
    bool bindOnOpen_ = false;
    std::vector<std::string> heldElsewhere_;
    std::mutex listenerMutex_;  // held while the listener runs
    std::function<void(const DeviceNotice&)> arrivalElsewhere_;
    LockFailure lockFailure_;
    std::unique_ptr<Parts> parts_;
};

}  // namespace zt
