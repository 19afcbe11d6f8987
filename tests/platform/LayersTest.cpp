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

const fs::path kRoot = fs::path(ZT_SOURCE_DIR);
const fs::path kSource = kRoot / "src";

struct SourceLine {
    std::string file;  // relative to the folder it was read from (src/ unless told)
    int number;
    std::string text;
};

bool IsCppFile(const fs::path& file) { return file.extension() == ".h" || file.extension() == ".cpp"; }
bool IsCMakeFile(const fs::path& file) { return file.filename() == "CMakeLists.txt"; }

// Every line of the wanted files under <base>/<folder>, in a stable order,
// named relative to `base`.
std::vector<SourceLine> LinesUnder(const std::string& folder, const fs::path& base = kSource,
                                   bool (*wanted)(const fs::path&) = IsCppFile) {
    std::vector<fs::path> files;
    if (!fs::is_directory(base / folder)) return {};
    for (const auto& entry : fs::recursive_directory_iterator(base / folder))
        if (entry.is_regular_file() && wanted(entry.path())) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<SourceLine> lines;
    for (const fs::path& file : files) {
        std::ifstream in(file);
        std::string text;
        for (int number = 1; std::getline(in, text); ++number)
            lines.push_back({fs::relative(file, base).generic_string(), number, text});
    }
    return lines;
}

// "file:line: text" for every line of `lines` that `pattern` finds.
std::vector<std::string> Matching(const std::vector<SourceLine>& lines, const std::regex& pattern) {
    std::vector<std::string> found;
    for (const SourceLine& line : lines)
        if (std::regex_search(line.text, pattern))
            found.push_back(line.file + ":" + std::to_string(line.number) + ": " + line.text);
    return found;
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
    for (const std::string folder : {"platform", "sim", "host"})
        ASSERT_TRUE(fs::is_directory(kSource / folder)) << kSource << " " << folder;
    // The include pattern finds what it should.
    EXPECT_FALSE(IncludesReaching("app", {"platform"}).empty());
}

TEST(Layers, ChipFactsAndPlatformInterfacesIncludeNothingAboveThem) {
    const std::vector<std::string> above = {"job", "device", "protocol", "app", "station", "cli", "ui"};
    EXPECT_THAT(IncludesReaching("chip", above), ::testing::IsEmpty());
    // BackendSelection is where a front end gets its machine; it may grow to
    // know more than one layer.
    EXPECT_THAT(IncludesReaching("platform", above, std::regex(R"(^backends/BackendSelection\.)")),
                ::testing::IsEmpty());
}

// The simulator and the host services sit beside the core, as the device
// backends do: the core never includes them. Backend selection alone knows the
// simulated machine, which it hands out like any other backend.
TEST(Layers, TheCoreIncludesNeitherTheSimulatorNorTheHost) {
    for (const std::string folder : {"chip", "platform", "device", "protocol", "job", "app"}) {
        // The device backends beside the core may use the host's services.
        EXPECT_THAT(IncludesReaching(folder, {"host"}, std::regex(R"(^platform/(linux|windows)/)")),
                    ::testing::IsEmpty())
            << folder;
        EXPECT_THAT(IncludesReaching(folder, {"sim"}, std::regex(R"(^backends/BackendSelection\.)")),
                    ::testing::IsEmpty())
            << folder;
    }
}

// The simulator is a machine of chips behind the platform's interfaces; the
// host services are the process's surroundings and need nothing of the tool.
TEST(Layers, TheSimulatorAndTheHostStandOnTheirOwn) {
    EXPECT_THAT(IncludesReaching("sim", {"host", "device", "protocol", "job", "app", "station", "cli", "ui"}),
                ::testing::IsEmpty());
    EXPECT_THAT(IncludesReaching("host", {"chip", "platform", "sim", "device", "protocol", "job", "app",
                                          "station", "cli", "ui"}),
                ::testing::IsEmpty());
}

// The station and the front ends reach the host through its interfaces and
// host/HostSystem.h, never a system's implementation; the front ends reach the
// simulator only through backend selection and the station's reading of its
// options (station/config/SimulationArguments.h, station/config/SimFaultNames.h).
TEST(Layers, TheFrontEndsReachTheSimulatorAndTheHostThroughTheirEntryPoints) {
    // Windows' text conversion is the one piece of the host's Windows folder
    // that the Windows backend and window share.
    static const std::regex implementation(
        R"(^\s*#\s*include\s*"host/(posix|windows|mqtt)/(?!WideText\.h"))");
    for (const std::string folder : {"station", "cli", "ui", "platform", "sim"})
        EXPECT_THAT(Matching(LinesUnder(folder), implementation), ::testing::IsEmpty()) << folder;
    for (const std::string folder : {"cli", "ui"})
        EXPECT_THAT(IncludesReaching(folder, {"sim"}), ::testing::IsEmpty()) << folder;
}

// Windows' device-change codes and interface-path text are the Windows
// backend's own; the others speak in typed notices and names of their own.
TEST(Layers, WindowsSpellingStaysInTheWindowsBackend) {
    static const std::regex windowsWords(R"(USB#VID_|DBT_|kDbt)", std::regex::icase);
    for (const std::string folder : {"sim", "platform/linux"})
        EXPECT_THAT(Matching(LinesUnder(folder), windowsWords), ::testing::IsEmpty());
}

// The job, protocol and device code own their state and reach the dialog
// only through interfaces of their own.
TEST(Layers, TheCoreBelowTheDialogDoesNotReachUp) {
    const std::vector<std::string> above = {"app", "station", "cli", "ui"};
    for (const std::string folder : {"job", "device", "protocol"})
        EXPECT_THAT(IncludesReaching(folder, above), ::testing::IsEmpty()) << folder;
}

// The Qt window reads its few options itself: neither it nor the station and
// core below it may pull in the command-line tool or its parser.
TEST(Layers, TheWindowsAndTheCoreDoNotUseTheCommandLineParser) {
    static const std::regex parserLibrary(R"(CLI11|zt_cli_lib)", std::regex::icase);
    for (const std::string folder : {"ui", "station"})
        EXPECT_THAT(Matching(LinesUnder(folder, kSource, IsCMakeFile), parserLibrary), ::testing::IsEmpty())
            << folder;
    static const std::regex parserInclude(R"(^\s*#\s*include\s*(<CLI/|"cli/))");
    for (const std::string folder : {"ui", "station", "app", "job", "protocol", "device", "chip"})
        EXPECT_THAT(Matching(LinesUnder(folder), parserInclude), ::testing::IsEmpty()) << folder;
}

// The station serves every front end, so it knows none of them.
TEST(Layers, TheStationDoesNotReachUpToTheFrontEnds) {
    EXPECT_THAT(IncludesReaching("station", {"cli", "ui"}), ::testing::IsEmpty());
}

// The Windows API belongs to the Windows backend, the Windows host services
// and the native dialog; the rest of the tree builds on any system. The
// pattern is split so that this file does not name the message itself.
TEST(Layers, TheWindowsApiStaysInTheWindowsFolders) {
    static const std::regex windowsApi(R"(#\s*include\s*[<"]windows\.h[>"]|WM_DEVICE(CHANGE))",
                                       std::regex::icase);
    static const std::regex windowsFolders(
        R"(^(src/platform/windows|src/host/windows|src/ui/win32|tests/windows)/)");
    std::vector<std::string> found;
    for (const std::string folder : {"src", "tests", "bench", "tools"})
        for (const SourceLine& line : LinesUnder(folder, kRoot)) {
            if (std::regex_search(line.file, windowsFolders)) continue;
            if (std::regex_search(line.text, windowsApi))
                found.push_back(line.file + ":" + std::to_string(line.number) + ": " + line.text);
        }
    EXPECT_THAT(found, ::testing::IsEmpty());
}

// Front ends and the station learn what the job does through its events, its
// report and the dialog's questions (JobUnderWay, FinishedJobReport, ...),
// never by reading or writing the job's fields.
TEST(Layers, FrontEndsTouchNoFieldOfTheJob) {
    static const std::regex field(
        R"((\.|->)(workerStep|workerRun|workerFinished|jobReport|jobResult|knownDevices|deviceWaitCountdown|)"
        R"(deviceWaitExpired|replugWaitPasses|hidLink|linkMutex|imageBuffer|readBackBuffer|rewriteMap|)"
        R"(overrideImage|overrideSerial|deviceVendorId|deviceProductId|commandTag|jobStage|jobTexts)\b)");
    for (const std::string folder : {"station", "cli", "ui"})
        EXPECT_THAT(Matching(LinesUnder(folder), field), ::testing::IsEmpty()) << folder;
}

// The console and the station reach the system through the host's
// interfaces (host/HostSystem.h), so they build unchanged everywhere.
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
