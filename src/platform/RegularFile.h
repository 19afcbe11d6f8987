#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zt {

// A file the tool takes in whole (an image, a saved unit): read only when it
// is a regular file no longer than the caller can use, so that a folder, a
// device such as /dev/zero or a FIFO is refused at once instead of crashing,
// filling memory or blocking.
struct RegularFileContents {
    enum class Outcome {
        Read,        // `bytes` holds the whole file
        CannotRead,  // missing, not allowed, not a regular file; `reason` says which
        TooLarge,    // longer than the limit; `size` is its length
    };
    Outcome outcome = Outcome::CannotRead;
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    std::string reason;
};

}  // namespace zt
