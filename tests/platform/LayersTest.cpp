// The layers as the source tree shows them: which folders' files may include
// which, and which words stay inside one backend. Reads the tree itself, so a
// stray include fails here before it grows into a dependency.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
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
    const std::vector<std::string> above = {"job",     "device", "protocol", "app",
                                            "station", "cli",    "ui",       "backends"};
    EXPECT_THAT(IncludesReaching("chip", above), ::testing::IsEmpty());
    EXPECT_THAT(IncludesReaching("platform", above), ::testing::IsEmpty());
}

// The simulator and the host services sit beside the core, as the device
// backends do: the core never includes them. Backend selection (src/backends)
// alone knows the simulated machine, which it hands out like any other backend.
TEST(Layers, TheCoreIncludesNeitherTheSimulatorNorTheHost) {
    for (const std::string folder : {"chip", "platform", "device", "protocol", "job", "app"}) {
        // The device backends beside the core may use the host's services.
        EXPECT_THAT(IncludesReaching(folder, {"host"}, std::regex(R"(^platform/(linux|windows)/)")),
                    ::testing::IsEmpty())
            << folder;
        EXPECT_THAT(IncludesReaching(folder, {"sim", "backends"}), ::testing::IsEmpty()) << folder;
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

// Where the program is put together: backend selection knows every device
// backend and hands one out; the front ends (and the tests and benchmarks
// that stand in for them) are the only ones that ask it.
TEST(Layers, OnlyTheFrontEndsChooseTheBackend) {
    ASSERT_TRUE(fs::is_directory(kSource / "backends"));
    EXPECT_THAT(
        IncludesReaching("backends", {"app", "job", "protocol", "device", "host", "station", "cli", "ui"}),
        ::testing::IsEmpty());
    for (const std::string folder :
         {"chip", "platform", "sim", "host", "app", "job", "protocol", "device", "station"})
        EXPECT_THAT(IncludesReaching(folder, {"backends"}), ::testing::IsEmpty()) << folder;
    static const std::regex backendsInclude(R"(^\s*#\s*include\s*"backends/)");
    EXPECT_THAT(Matching(LinesUnder("tools", kRoot), backendsInclude), ::testing::IsEmpty());
}

// The station serves every front end, so it knows none of them, and it runs
// the job itself, never the dialog.
TEST(Layers, TheStationDoesNotReachUpToTheFrontEnds) {
    EXPECT_THAT(IncludesReaching("station", {"cli", "ui", "backends", "app"}), ::testing::IsEmpty());
}

// The station's rooms, each with the rooms below it that it may include, and
// through them what those may include:
//   presentation -> run -> unit -> {ports, image, serials, records} -> {operator, config};
//   presentation shows what publish delivers; publish and report stand on
//   records, and report/page on report.
// Rooms side by side (ports, image, serials, records; operator and config)
// include none of each other: what two of them need goes a room down.
const std::map<std::string, std::vector<std::string>> kStationRooms = {
    {"presenter", {"presentation"}},
    {"presentation", {"run", "publish"}},
    {"run", {"unit"}},
    {"unit", {"ports", "image", "serials", "records"}},
    {"ports", {"operator", "config"}},
    {"image", {"operator", "config"}},
    {"serials", {"operator", "config"}},
    {"records", {"operator", "config"}},
    {"publish", {"records"}},
    {"report", {"records"}},
    {"report/page", {"report"}},
    {"operator", {}},
    {"config", {}},
};

// `room` and every room it reaches, down to the bottom.
std::set<std::string> RoomsReachedFrom(const std::string& room) {
    std::set<std::string> reached{room};
    std::vector<std::string> pending{room};
    while (!pending.empty()) {
        const std::string next = pending.back();
        pending.pop_back();
        for (const std::string& below : kStationRooms.at(next))
            if (reached.insert(below).second) pending.push_back(below);
    }
    return reached;
}

// The room of a station file ("station/report/page/SvgChart.h" is in
// "report/page"); "" for a file of the station's own folder.
std::string RoomOf(const std::string& file) {
    const size_t first = file.find('/'), last = file.rfind('/');
    return last > first ? file.substr(first + 1, last - first - 1) : "";
}

// "file:line: text" for every include of a station room that its file's room
// does not reach, and "file: in no room" for a file outside the rooms.
std::vector<std::string> StationIncludesAgainstTheRooms(const std::vector<SourceLine>& lines) {
    static const std::regex include(R"re(^\s*#\s*include\s*"(station/[^"]+)")re");
    std::vector<std::string> found;
    for (const SourceLine& line : lines) {
        const std::string room = RoomOf(line.file);
        if (!kStationRooms.count(room)) {
            if (line.number == 1) found.push_back(line.file + ": in no room");
            continue;
        }
        std::smatch match;
        if (!std::regex_search(line.text, match, include)) continue;
        if (!RoomsReachedFrom(room).count(RoomOf(match[1].str())))
            found.push_back(line.file + ":" + std::to_string(line.number) + ": " + line.text);
    }
    return found;
}

TEST(Layers, TheStationRoomsIncludeOnlyTheRoomsBelowThem) {
    for (const auto& [room, below] : kStationRooms)
        EXPECT_TRUE(fs::is_directory(kSource / "station" / room)) << room;
    const std::vector<SourceLine> lines = LinesUnder("station");
    ASSERT_FALSE(lines.empty());
    EXPECT_THAT(StationIncludesAgainstTheRooms(lines), ::testing::IsEmpty());

    // The check itself: an include up, one sideways, one from report into
    // its page and a file beside the rooms are found; one down, one a room
    // further down and one in the same room are not.
    const std::vector<SourceLine> made = {
        {"station/records/StationLog.cpp", 1, R"(#include "station/presentation/JsonEvents.h")"},
        {"station/serials/SerialNumbers.cpp", 1, R"(#include "station/records/StationLog.h")"},
        {"station/report/ReportFilter.cpp", 1, R"(#include "station/report/page/SvgChart.h")"},
        {"station/Loose.h", 1, "#pragma once"},
        {"station/presentation/PortLine.h", 1, R"(#include "station/operator/OperatorText.h")"},
        {"station/report/page/ReportPage.cpp", 1, R"(#include "station/records/StationLog.h")"},
        {"station/report/page/SvgChart.cpp", 1, R"(#include "station/report/page/SvgChart.h")"},
    };
    EXPECT_THAT(
        StationIncludesAgainstTheRooms(made),
        ::testing::ElementsAre(::testing::HasSubstr("StationLog.cpp"), ::testing::HasSubstr("SerialNumbers"),
                               ::testing::HasSubstr("ReportFilter"), "station/Loose.h: in no room"));
}

// A room that grows past a dozen or so files holds two concepts: split it
// before it turns into the flat folder the rooms replaced.
TEST(Layers, NoStationRoomHoldsMoreThanFourteenSourceFiles) {
    std::map<std::string, int> counts;
    for (const auto& entry : fs::recursive_directory_iterator(kSource / "station")) {
        const std::string file = fs::relative(entry.path(), kSource).generic_string();
        if (entry.is_regular_file() && IsCppFile(entry.path())) ++counts[RoomOf(file)];
    }
    ASSERT_GE(counts.size(), kStationRooms.size());
    for (const auto& [room, count] : counts) EXPECT_LE(count, 14) << "station/" << room;
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
