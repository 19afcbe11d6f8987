#pragma once
#include <map>
#include <set>
#include <string>

#include "platform/DeviceNotices.h"

namespace zt::platform_windows {

// One notice per unit coming or going, however many interfaces announce it.
// Windows announces a unit's USB device interface and, a moment later, each
// of its HID interfaces; some systems (Wine's HID stack) announce only the
// HID ones. The job must hear of a re-plug from whichever comes first, once.
//
// A unit is its port and IDs; where the port is unknown, each interface counts
// as a unit of its own, since two units with one pair of IDs could not be told
// apart otherwise. The first interface to arrive passes, the last to leave
// passes; the others are dropped. An interface that arrives again without
// having been seen to leave passes too (a removal was missed), and so does a
// removal of an interface never seen, which cannot be counted either way.
class UnitNoticeFilter {
public:
    // Counts an interface that is present when the watch starts.
    void Present(const DeviceNotice& notice);
    // True when the notice is to be posted.
    bool Pass(const DeviceNotice& notice);

private:
    static std::string UnitOf(const DeviceNotice& notice);
    static std::string InterfaceOf(const DeviceNotice& notice);

    std::map<std::string, std::set<std::string>> present_;  // unit -> its present interfaces
};

}  // namespace zt::platform_windows
