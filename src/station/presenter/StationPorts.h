#pragma once
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace zt::station {

// A station window keeps one row per port, while the station names each unit
// by the index of its port among the ports it serves. This keeps which port
// each index names, and finds that port's row.
class StationPorts {
public:
    void Clear() { ports_.clear(); }
    // The station serves `port` as its `index`th.
    void Bind(size_t index, const std::string& port) {
        if (ports_.size() <= index) ports_.resize(index + 1);
        ports_[index] = port;
    }
    // Where the row of the `index`th port is among `rows` (each has a
    // `port`); rows.size() when the index names no port or its port no row.
    template <class Row>
    size_t RowOf(const std::vector<Row>& rows, size_t index) const {
        if (index >= ports_.size()) return rows.size();
        const auto found =
            std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.port == ports_[index]; });
        return static_cast<size_t>(found - rows.begin());
    }

private:
    std::vector<std::string> ports_;
};

}  // namespace zt::station
