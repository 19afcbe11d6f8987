#pragma once
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace zt::test {

// A private folder under /tmp for one test, removed with everything in it.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        char name[] = "/tmp/zt-report-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace zt::test
