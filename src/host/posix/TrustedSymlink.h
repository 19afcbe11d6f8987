#pragma once
#include <string>

namespace zt::host_posix {

// Whether a file the tool writes may be reached through `path` when its last
// part is a symbolic link. A link is followed only when it belongs to the
// user running the tool or to root: one that another user planted in a
// shared folder (/tmp) would turn a station log or a saved unit into a write
// to that user's choice of file. True for a path that is no link (or does
// not exist yet); false with the reason in `error` otherwise.
bool MayFollowLink(const std::string& path, std::string* error);

}  // namespace zt::host_posix
