#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zt {

// A file that is only ever added to, shared by several processes (a station
// log). Open it with OpenAppendOnlyFile (host/HostSystem.h): it is
// created when missing; closed when the object goes. Only a regular file is
// opened (a FIFO, a device or a folder is refused at once, before any open
// that could wait), and no symbolic link of another user is followed. Every
// record starts on a line of its own: a last line torn by an earlier failure
// is cut when the file is opened, or else ended before the next record.
class AppendOnlyFile {
public:
    virtual ~AppendOnlyFile() = default;

    // Adds `text` at the end of the file, in one write so that lines of other
    // processes do not cut into it, and returns once it is on the disk. False
    // with the reason (the system's error text) in `error` when it was not
    // written and synced whole; what did go in is taken back where no other
    // process has appended since. Blocks; one caller at a time.
    virtual bool Append(const std::string& text, std::string* error) = 0;

    // Reads what the file holds from byte `offset` on, other processes'
    // appends included, at most `maxBytes`, into `text` (empty at the end).
    // False with the reason when it cannot be read (a file this user may
    // only write to). Blocks; one caller at a time.
    virtual bool ReadFrom(uint64_t offset, size_t maxBytes, std::string* text, std::string* error) = 0;
};

}  // namespace zt
