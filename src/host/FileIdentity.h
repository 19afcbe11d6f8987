#pragma once
#include <cstdint>

namespace zt {

// What tells one file apart from every other on the machine, whatever path
// or link names it: the device (volume) it lives on and its number there.
// Two paths name the same file exactly when their identities are equal.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t file = 0;

    bool operator==(const FileIdentity&) const = default;
};

}  // namespace zt
