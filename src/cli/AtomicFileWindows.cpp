#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/AtomicFile.h"

namespace zt::cli {

bool WriteFileAtomically(const std::string& path, std::span<const std::byte> bytes, std::string* error) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path temporary = target;
    temporary += ".zt51xx-mp.tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            if (error) *error = "cannot write " + temporary.string();
            return false;
        }
    }
    // MoveFileEx with MOVEFILE_REPLACE_EXISTING underneath: the target is
    // either the old file or the whole new one.
    std::error_code failed;
    fs::rename(temporary, target, failed);
    if (failed) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        if (error) *error = failed.message();
        return false;
    }
    return true;
}

}  // namespace zt::cli
