#pragma once
#include <algorithm>
#include <cstddef>
#include <vector>

#include "station/ports/KnownDeviceScan.h"

namespace zt::station {

// A station window's rows after a scan: one per port a known unit is on,
// kept as it was where the unit was already there, and started clean where it
// has just arrived (it may be another board). A row that has a result stays,
// marked as gone, once its unit has left. A unit without a port cannot be
// kept apart from the others and gets no row; `portUnknown` counts them.
// `Row` has `port`, `ids`, `present` and `hasResult`; `idsOf` gives a row's
// `ids` for a device. The caller orders the rows.
template <typename Row, typename IdsOf>
std::vector<Row> RowsAfterScan(const std::vector<Row>& rows, const std::vector<PresentDevice>& devices,
                               IdsOf idsOf, size_t* portUnknown = nullptr) {
    std::vector<Row> next;
    for (const PresentDevice& device : devices) {
        if (device.port.empty()) {
            if (portUnknown) ++*portUnknown;
            continue;
        }
        if (std::any_of(next.begin(), next.end(), [&](const Row& r) { return r.port == device.port; }))
            continue;
        Row row;
        const auto old = std::find_if(rows.begin(), rows.end(),
                                      [&](const Row& r) { return r.port == device.port && r.present; });
        if (old != rows.end()) row = *old;
        row.port = device.port;
        row.ids = idsOf(device);
        row.present = true;
        next.push_back(row);
    }
    for (const Row& old : rows) {
        const bool seen =
            std::any_of(next.begin(), next.end(), [&](const Row& r) { return r.port == old.port; });
        if (!seen && old.hasResult) {
            next.push_back(old);
            next.back().present = false;
        }
    }
    return next;
}

}  // namespace zt::station
