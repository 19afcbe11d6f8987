#pragma once
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
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
    bool missing = false;  // CannotRead because there is no such file

    static RegularFileContents CannotReadFile(std::string why) {
        RegularFileContents contents;
        contents.reason = std::move(why);
        return contents;
    }
    static RegularFileContents CannotOpen(int error, std::string why) {
        RegularFileContents contents = CannotReadFile(std::move(why));
        contents.missing = error == ENOENT;
        return contents;
    }
    static RegularFileContents TooLargeFile(uint64_t length) {
        RegularFileContents contents;
        contents.outcome = Outcome::TooLarge;
        contents.size = length;
        return contents;
    }
};

// The part of reading a regular file that every system shares, once the
// file is open and known to be regular and at most `maxBytes` long:
// `readSome(buffer, length)` reads like read(2) (bytes read, 0 at the end,
// -1 with errno set on failure). One byte more than allowed is asked for, so
// that a file that grew since the check is refused rather than cut short.
template <typename ReadSome>
RegularFileContents ReadAtMost(size_t maxBytes, ReadSome readSome) {
    RegularFileContents contents;
    contents.bytes.resize(maxBytes + 1);
    size_t got = 0;
    while (got < contents.bytes.size()) {
        const long n = readSome(contents.bytes.data() + got, contents.bytes.size() - got);
        if (n < 0) return RegularFileContents::CannotReadFile(std::strerror(errno));
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    if (got > maxBytes) return RegularFileContents::TooLargeFile(got);
    contents.bytes.resize(got);
    contents.outcome = RegularFileContents::Outcome::Read;
    return contents;
}

}  // namespace zt
