#pragma once
#include <cstddef>
#include <span>
#include <string>

namespace zt::cli {

// Writes `bytes` as the whole new contents of the file at `path`, or leaves
// the file as it was: a file that is cut short by a full disk, a signal or a
// crash must never stand where an image or a log is expected.
//
// The bytes go to a new file beside the target (same folder, so the same
// file system), which is flushed to the disk and then renamed over the
// target; on any failure the new file is removed and the target untouched. A
// file we may not write is refused. A replaced file keeps its permissions; a
// new one gets the usual ones (0666 less the umask). Through a symbolic link the file it points to is
// replaced. A target that is not a regular file (/dev/stdout, a pipe) cannot be replaced and is written as it
// is.
//
// False with the reason (the system's error text) in `error`.
bool WriteFileAtomically(const std::string& path, std::span<const std::byte> bytes, std::string* error);

}  // namespace zt::cli
