#include "host/posix/TrustedSymlink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <vector>

namespace zt::host_posix {

namespace {

// More links than the kernel itself follows in one lookup.
constexpr int kMaxLinks = 40;

bool Trusted(const struct stat& st) { return st.st_uid == ::geteuid() || st.st_uid == 0; }

void SplitInto(const std::string& path, std::deque<std::string>& parts, bool atFront) {
    std::vector<std::string> split;
    for (size_t at = 0; at <= path.size();) {
        size_t end = path.find('/', at);
        if (end == std::string::npos) end = path.size();
        if (end > at) split.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    if (atFront)
        parts.insert(parts.begin(), split.begin(), split.end());
    else
        parts.insert(parts.end(), split.begin(), split.end());
}

std::string Refused(const char* what, const std::string& where, uid_t owner) {
    return std::string(what) + " of another user (uid " + std::to_string(owner) + ", " + where +
           "), not followed; name a file on a path of your own or root's";
}

}  // namespace

bool MayFollowLink(const std::string& path, std::string* error) {
    // `folder` is where the lookup stands: every part of it has been checked.
    std::string folder = !path.empty() && path[0] == '/' ? "" : ".";
    struct stat st {};
    if (::stat(folder.empty() ? "/" : ".", &st) == 0 && !Trusted(st)) {
        *error = Refused("a folder", folder.empty() ? "/" : "the working folder", st.st_uid);
        return false;
    }
    std::deque<std::string> parts;
    SplitInto(path, parts, false);
    int links = 0;
    while (!parts.empty()) {
        const std::string part = parts.front();
        parts.pop_front();
        if (part == ".") continue;
        const std::string next = folder + "/" + part;
        // What is not there yet is for the open to create or refuse.
        if (::lstat(next.c_str(), &st) != 0) return true;
        if (S_ISLNK(st.st_mode)) {
            if (!Trusted(st)) {
                *error = Refused("a symbolic link", next, st.st_uid);
                return false;
            }
            std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1);
            const ssize_t length = ::readlink(next.c_str(), target.data(), target.size());
            if (length <= 0 || static_cast<size_t>(length) >= target.size() || ++links > kMaxLinks)
                return true;  // changing under us, or a loop: the open fails on its own
            const std::string to(target.data(), static_cast<size_t>(length));
            if (to[0] == '/') folder = "";
            SplitInto(to, parts, true);
            continue;
        }
        if (!S_ISDIR(st.st_mode)) return true;  // the file itself, or a part the open refuses
        if (!Trusted(st) && !parts.empty()) {
            *error = Refused("a folder", next, st.st_uid);
            return false;
        }
        folder = next;
    }
    return true;
}

}  // namespace zt::host_posix
