#pragma once
#include <cstddef>
#include <span>
#include <string>

namespace zt {

// Files that are written whole or not at all: a file cut short by a full
// disk, a signal or a crash must never stand where an image or a log is
// expected.
class AtomicFileWriter {
public:
    virtual ~AtomicFileWriter() = default;

    // Writes `bytes` as the whole new contents of the file at `path`, or
    // leaves the file as it was. The bytes go to a new file beside the target
    // (same folder, so the same file system), which is flushed to the disk
    // and then put in the target's place in one step; on any failure the new
    // file is removed and the target untouched. A file we may not write is
    // refused. A replaced file keeps its permissions; a new one gets the
    // system's usual ones. Through a symbolic link the file it points to is
    // replaced, but only through a link of the user's own or root's: one
    // that another user could plant in a shared folder is refused. A target
    // that is not a regular file (/dev/stdout, a pipe, a device) cannot be
    // replaced and is written as it is, without waiting for a reader: a FIFO
    // nobody reads is refused at once, one whose reader stops taking data
    // after a while, and a signal ends the wait.
    //
    // Blocks until the data is on the disk; safe from any thread. False with
    // the reason (the system's error text) in `error`.
    virtual bool WriteFileAtomically(const std::string& path, std::span<const std::byte> bytes,
                                     std::string* error) = 0;
};

}  // namespace zt
