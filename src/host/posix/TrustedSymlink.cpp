#include "host/posix/TrustedSymlink.h"

#include <sys/stat.h>
#include <unistd.h>

namespace zt::host_posix {

bool MayFollowLink(const std::string& path, std::string* error) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return true;
    if (link.st_uid == ::geteuid() || link.st_uid == 0) return true;
    *error = "a symbolic link of another user (uid " + std::to_string(link.st_uid) +
             "), not followed; name the file itself";
    return false;
}

}  // namespace zt::host_posix
