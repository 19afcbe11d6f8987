#include "platform/windows/UnitNoticeFilter.h"

#include <cctype>
#include <cstdio>

namespace zt::platform_windows {

std::string UnitNoticeFilter::InterfaceOf(const DeviceNotice& notice) {
    // The system's names ignore letter case.
    std::string name = notice.node;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::string UnitNoticeFilter::UnitOf(const DeviceNotice& notice) {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04X:%04X ", notice.vendorId, notice.productId);
    return notice.port.empty() ? ids + ("interface " + InterfaceOf(notice)) : ids + ("port " + notice.port);
}

void UnitNoticeFilter::Present(const DeviceNotice& notice) {
    present_[UnitOf(notice)].insert(InterfaceOf(notice));
}

bool UnitNoticeFilter::Pass(const DeviceNotice& notice) {
    const std::string name = InterfaceOf(notice);
    if (notice.kind == DeviceNotice::Kind::Arrival) {
        auto& interfaces = present_[UnitOf(notice)];
        const bool first = interfaces.empty();
        const bool again = !interfaces.insert(name).second;
        return first || again;
    }
    // A removal may name another port than the arrival did (a node that is
    // gone may no longer tell its location), so the interface is looked for
    // under every unit.
    for (auto it = present_.begin(); it != present_.end(); ++it) {
        if (it->second.erase(name) == 0) continue;
        if (!it->second.empty()) return false;
        present_.erase(it);
        return true;
    }
    return true;
}

}  // namespace zt::platform_windows
