#pragma once
#include <string>

#include "platform/Platform.h"

namespace zt::cli {

// What a device command runs against: the simulated bus or the machine's own
// devices. It outlives the dialog session that uses its platform.
class DeviceBackend {
public:
    virtual ~DeviceBackend() = default;
    virtual Platform AsPlatform() = 0;
    // One line for the operator when devices were there but could not be
    // opened for lack of permission; "" otherwise.
    virtual std::string PermissionHint() const { return ""; }
    // Called on the worker thread while the re-plug prompt is shown.
    virtual void OnReplugPrompt() {}
    // A few words for the operator: which devices the command works on.
    virtual std::string Describe() const = 0;
};

}  // namespace zt::cli
