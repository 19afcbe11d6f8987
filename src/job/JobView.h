#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "job/DeviceIds.h"
#include "protocol/ProgressView.h"

namespace zt {

// What the job shows the operator and reads from them, in its own terms; the
// dialog implements it on its window. Calls come from the user-interface
// thread (the write request, the hidden buttons) and from the worker; a call
// from the worker returns only once the window has handled it, and the boxes
// return once the operator dismissed them.
class JobView : public ProgressView {
public:
    // A box in the job's caption: the re-plug prompt, the completion.
    virtual void ShowJobBox(std::string_view text) = 0;
    // The failure box for a code: "Fail to Write EEPROM! [XXXXXXXX]".
    virtual void ShowFailureBox(uint32_t code) = 0;
    virtual void EnableWriteButton(bool enable) = 0;
    // The one-character marker beside the progress bar.
    virtual void ShowMarker(std::string_view text) = 0;
    virtual void ShowImageFirmwareId(uint16_t firmwareId) = 0;
    // The IDs typed in the ID boxes, read now.
    virtual DeviceIds TypedIds() = 0;
    virtual void ShowVersionStatus(std::string_view text) = 0;
    virtual void ShowVersion(const std::string& text) = 0;
};

}  // namespace zt
