#pragma once
#include <string>

namespace zt {

// A file that is only ever added to, shared by several processes (a station
// log). Open it with OpenAppendOnlyFile (platform/HostSystem.h): it is
// created when missing and never truncated; closed when the object goes.
class AppendOnlyFile {
public:
    virtual ~AppendOnlyFile() = default;

    // Adds `text` at the end of the file, in one write so that lines of other
    // processes do not cut into it, and returns once it is on the disk. False
    // with the reason (the system's error text) in `error` when it was not
    // written and synced whole. Blocks; one caller at a time.
    virtual bool Append(const std::string& text, std::string* error) = 0;
};

}  // namespace zt
