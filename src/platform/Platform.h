#pragma once
#include "platform/AudioFilterBackend.h"
#include "platform/Clock.h"
#include "platform/DeviceNotices.h"
#include "platform/HidBackend.h"
#include "platform/UsbTree.h"

namespace zt {

// The capabilities a dialog reaches the machine through. A backend (the
// simulated chip, Linux) fills all of them; they outlive the dialog.
struct Platform {
    Clock& clock;
    HidBackend& hid;
    AudioFilterBackend& audio;
    DeviceNoticeSource& notices;
    UsbTree& usb;
};

}  // namespace zt
