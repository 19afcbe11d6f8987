// The layers as the source tree shows them: which folders' files may include
// which, and which words stay inside one backend. Reads the tree itself, so a
// stray include fails here before it grows into a dependency.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace zt {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = fs::path(ZT_SOURCE_DIR) / "src";

struct SourceLine {
    std::string file;  // relative to src/
    int number;
    std::string text;
};

// Every line of the C++ files under src/<folder>, in a stable order.
std::vector<SourceLine> LinesUnder(const std::string& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kSource / folder)) {
        const auto extension = entry.path().extension();
        if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp"))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<SourceLine> lines;
    for (const fs::path& file : files) {
        std::ifstream in(file);
        std::string text;
        for (int number = 1; std::getline(in, text); ++number)
            lines.push_back({fs::relative(file, kSource).generic_string(), number, text});
    }
    return lines;
}

// "file:line: text" for every include under `folder` that reaches one of
// `forbidden` (folders of src/, as the includes name them from there).
std::vector<std::string> IncludesReaching(const std::string& folder,
                                          const std::vector<std::string>& forbidden,
                                          const std::regex& exempt = std::regex("$^")) {
    static const std::regex include(R"(^\s*#\s*include\s*"([^"/]+)/)");
    std::vector<std::string> found;
    for (const SourceLine& line : LinesUnder(folder)) {
        std::smatch match;
        if (std::regex_search(line.file, exempt) || !std::regex_search(line.text, match, include)) continue;
        if (std::find(forbidden.begin(), forbidden.end(), match[1].str()) != forbidden.end())
            found.push_back(line.file + ":" + std::to_string(line.number) + ": " + line.text);
    }
    return found;
}

TEST(Layers, TheSourceTreeIsWhereTheTestExpectsIt) {
    ASSERT_TRUE(fs::is_directory(kSource / "platform")) << kSource;
    // The include pattern finds what it should.
    EXPECT_FALSE(IncludesReaching("app", {"platform"}).empty());
}

TEST(Layers, ChipFactsAndPlatformInterfacesIncludeNothingAboveThem) {
    const std::vector<std::string> above = {"job", "device", "protocol", "app", "station", "cli", "ui"};
    EXPECT_THAT(IncludesReaching("chip", above), ::testing::IsEmpty());
    // BackendSelection is where a front end gets its machine; it may grow to
    // know more than one layer.
    EXPECT_THAT(IncludesReaching("platform", above, std::regex(R"(^platform/BackendSelection\.)")),
                ::testing::IsEmpty());
}

// Windows' device-change codes and interface-path text are the Windows
// backend's own; the others speak in typed notices and names of their own.
TEST(Layers, WindowsSpellingStaysInTheWindowsBackend) {
    static const std::regex windowsWords(R"(USB#VID_|DBT_|kDbt)", std::regex::icase);
    std::vector<std::string> found;
    for (const std::string folder : {"platform/sim", "platform/linux"})
        for (const SourceLine& line : LinesUnder(folder))
            if (std::regex_search(line.text, windowsWords))
                found.push_back(line.file + ":" + std::to_string(line.number) + ": " + line.text);
    EXPECT_THAT(found, ::testing::IsEmpty());
}

// The job, protocol and device code own their state and reach the dialog
// only through interfaces of their own.
TEST(Layers, TheCoreBelowTheDialogDoesNotReachUp) {
    const std::vector<std::string> above = {"app", "station", "cli", "ui"};
    for (const std::string folder : {"job", "device", "protocol"})
        EXPECT_THAT(IncludesReaching(folder, above), ::testing::IsEmpty()) << folder;
}

// The console and the station reach the system through the platform's
// interfaces (platform/HostSystem.h), so they build unchanged everywhere.
TEST(Layers, FrontEndCodeIncludesNoSystemHeader) {
    static const std::regex system(
        R"(^\s*#\s*(include\s*<(unistd|fcntl|poll|io|signal|windows|winsock2)\.h>|include\s*<sys/|if.*_WIN32))");
    std::vector<std::string> found;
    for (const std::string folder : {"station", "cli"})
        for (const SourceLine& line : LinesUnder(folder))
            if (std::regex_search(line.text, system))
                found.push_back(line.file + ":" + std::to_string(line.number) + ": " + line.text);
    EXPECT_THAT(found, ::testing::IsEmpty());
}

}  // namespace
}  // namespace zt
