#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace zt::test {

// Chromium where it is installed (scripts/setup.sh installs it), else nullopt.
inline std::optional<std::string> FindChromium() {
    for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (std::filesystem::exists(path)) return std::string(path);
    return std::nullopt;
}

// The DOM headless Chromium builds of `page`, after its scripts ran; "" when
// the browser failed. A browser that hangs (no /dev/shm, a broken profile)
// is stopped rather than stalling the suite. `work` holds its profile.
inline std::string DumpDom(const std::string& chromium, const std::filesystem::path& page,
                           const std::filesystem::path& work) {
    const std::filesystem::path dom = work / "dom.html";
    const std::string command =
        "timeout 120 " + chromium +
        " --headless --no-sandbox --disable-gpu --user-data-dir=" + (work / "profile").string() +
        " --dump-dom file://" + page.string() + " >" + dom.string() + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return "";
    std::ifstream in(dom);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace zt::test
