#pragma once
#include <string>

namespace zt::host_posix {

// Whether a file the tool writes may be reached through `path`. Every
// symbolic link met on the way (the last part's, a folder's, a link a link
// points at) and every folder the lookup passes through must belong to the
// user running the tool or to root: another user who owns one of them could
// turn a station log or a saved unit into a write to that user's choice of
// file, by planting a link or swapping the folder's entries. A relative path
// is looked up from the working folder, which is checked too. Parts that do
// not exist yet end the check (the open creates or refuses them). True when
// the path may be used; false with the reason in `error` otherwise.
bool MayFollowLink(const std::string& path, std::string* error);

}  // namespace zt::host_posix
