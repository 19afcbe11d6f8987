#pragma once
#include <functional>

#include "platform/ForwardingHidBackend.h"

namespace zt::station {

// The console's HID access: the backend's, except that a read waiting for a
// reply gives up as soon as `cancelled` turns true.
//
// The erase and version buttons and the write request's preflight run on the
// user-interface thread and may wait the full 5000 ms of a read time-out per
// report; the close procedure may wait for a worker that is in such a read.
// Ctrl-C has to be honoured at once, so a read waits in short slices and
// checks between them. A cut-short read reports a time-out, which the
// contract already allows: the pending read was cancelled, and the command
// fails as it would have after the full wait.
class CancellableHidBackend final : public ForwardingHidBackend {
public:
    CancellableHidBackend(HidBackend& backend, std::function<bool()> cancelled)
        : ForwardingHidBackend(backend), cancelled_(std::move(cancelled)) {}

    int Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) override;

private:
    std::function<bool()> cancelled_;
};

}  // namespace zt::station
