#include "station/StationConfig.h"

#include <cstdlib>
#include <string_view>

#include "host/HostSystem.h"

namespace zt::station {

namespace {

constexpr size_t kMaxConfigFile = 64 * 1024;
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kKeys[] = {"station-id", "operator", "work-order"};

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::vector<std::string> StationConfig::DefaultPaths() {
    const std::string programData = Env("PROGRAMDATA"), appData = Env("APPDATA");
    std::vector<std::string> paths;
    if (!programData.empty()) {
        paths.push_back(programData + "\\zt51xx-mp\\station.conf");
        if (!appData.empty()) paths.push_back(appData + "\\zt51xx-mp\\station.conf");
        return paths;
    }
    paths.push_back("/etc/zt51xx-mp/station.conf");
    const std::string xdg = Env("XDG_CONFIG_HOME"), home = Env("HOME");
    if (!xdg.empty())
        paths.push_back(xdg + "/zt51xx-mp/station.conf");
    else if (!home.empty())
        paths.push_back(home + "/.config/zt51xx-mp/station.conf");
    return paths;
}

bool StationConfig::Read(const std::string& path, bool mustExist, std::string* error) {
    const RegularFileContents file = ReadRegularFile(path, kMaxConfigFile);
    if (file.outcome != RegularFileContents::Outcome::Read) {
        if (file.missing && !mustExist) return true;
        *error = "cannot read the station settings " + path + ": " +
                 (file.outcome == RegularFileContents::Outcome::TooLarge ? "too large" : file.reason);
        return false;
    }
    std::string text(file.bytes.begin(), file.bytes.end());
    // Windows editors start a UTF-8 file with a byte-order mark.
    if (text.rfind(kByteOrderMark, 0) == 0) text.erase(0, std::string_view(kByteOrderMark).size());
    size_t number = 0;
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(at, end - at));
        at = end + 1;
        ++number;
        if (line.empty() || line[0] == '#') continue;
        const size_t equals = line.find('=');
        const std::string key = equals == std::string::npos ? line : Trim(line.substr(0, equals));
        bool known = false;
        for (const char* k : kKeys) known = known || key == k;
        if (equals == std::string::npos || !known) {
            *error = path + " line " + std::to_string(number) +
                     ": expected \"station-id = ...\", \"operator = ...\" or \"work-order = ...\"";
            return false;
        }
        values[key] = Trim(line.substr(equals + 1));
        origins[key] = path + " line " + std::to_string(number);
    }
    return true;
}

bool StationConfig::ReadFiles(const std::string& chosen, std::string* error) {
    if (!chosen.empty()) return Read(chosen, true, error);
    for (const std::string& path : DefaultPaths())
        if (!Read(path, false, error)) return false;
    return true;
}

}  // namespace zt::station
