#include "station/config/StationConfig.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "host/HostSystem.h"

#ifdef ZT_HAVE_INIH
#include <ini.h>
#endif

namespace zt::station {

namespace {

constexpr size_t kMaxConfigFile = 64 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string Trim(std::string_view text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool IsComment(std::string_view text, size_t at) {
    return (text[at] == '#' || text[at] == ';') && (at == 0 || IsBlank(text[at - 1]));
}

// The value as it was meant: a quoted one without its quotes, an unquoted
// one without a comment after it.
bool ValueOf(const std::string& raw, std::string* value, std::string* why) {
    if (!raw.empty() && raw[0] == '"') {
        const size_t close = raw.find('"', 1);
        if (close == std::string::npos) {
            *why = "a quote that does not end";
            return false;
        }
        const std::string rest = Trim(std::string_view(raw).substr(close + 1));
        if (!rest.empty() && rest[0] != '#' && rest[0] != ';') {
            *why = "text after the closing quote";
            return false;
        }
        *value = raw.substr(1, close - 1);
        return true;
    }
    size_t end = 0;
    while (end < raw.size() && !(end > 0 && IsComment(raw, end))) ++end;
    *value = Trim(std::string_view(raw).substr(0, end));
    return true;
}

bool IsKey(const std::string& key) {
    if (key.empty()) return false;
    for (const char c : key)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
    return true;
}

// The text of one file, one line at a time, counting its lines.
struct LineSource {
    std::string_view text;
    size_t at = 0;
    int line = 0;
    bool tooLong = false;

    // The next line without its leading blanks: an indented line is a line of
    // its own, never more of the value above it. False at the end.
    bool Next(std::string_view* out) {
        if (at >= text.size()) return false;
        const size_t end = std::min(text.find('\n', at), text.size());
        *out = text.substr(at, end - at);
        at = end + 1;
        ++line;
        while (!out->empty() && IsBlank(out->front())) out->remove_prefix(1);
        return true;
    }
};

struct FileReader {
    StationConfig& config;
    const std::string& path;
    LineSource source;
    std::string error;

    std::string Where() const { return path + " line " + std::to_string(source.line); }

    bool Fail(const std::string& why) {
        if (error.empty()) error = Where() + ": " + why;
        return false;
    }

    bool Take(const std::string& section, const std::string& key, const std::string& raw) {
        if (!section.empty())
            return Fail("[" + section + "]: the file has no sections, only key = value lines");
        if (!IsKey(key)) return Fail("expected \"key = value\", the key an option's long name");
        std::string value, why;
        if (!ValueOf(raw, &value, &why)) return Fail(key + ": " + why);
        config.entries.push_back({key, value, Where()});
        config.values[key] = value;
        config.origins[key] = Where();
        return true;
    }
};

#ifdef ZT_HAVE_INIH
char* ReadLine(char* into, int room, void* stream) {
    auto* source = static_cast<LineSource*>(stream);
    std::string_view line;
    if (!source->Next(&line)) return nullptr;
    if (line.size() + 2 > static_cast<size_t>(room)) {
        source->tooLong = true;
        return nullptr;
    }
    std::memcpy(into, line.data(), line.size());
    into[line.size()] = '\n';
    into[line.size() + 1] = '\0';
    return into;
}

int TakeLine(void* user, const char* section, const char* name, const char* value) {
    return static_cast<FileReader*>(user)->Take(section, name, value) ? 1 : 0;
}

bool ParseLines(FileReader& reader) {
    const int failed = ini_parse_stream(ReadLine, &reader.source, TakeLine, &reader);
    if (reader.source.tooLong) {
        reader.error.clear();
        return reader.Fail("the line is too long");
    }
    if (failed == 0) return true;
    if (reader.error.empty())
        reader.error = reader.path + " line " + std::to_string(failed) + ": expected \"key = value\"";
    return false;
}
#else
// Where the INI library is not built (the Windows build), the same lines
// read by hand.
bool ParseLines(FileReader& reader) {
    // As long a line as the library takes.
    constexpr size_t kMaxLine = 200;
    std::string_view line;
    std::string section;
    while (reader.source.Next(&line)) {
        if (line.size() + 2 > kMaxLine) return reader.Fail("the line is too long");
        const std::string text = Trim(line);
        if (text.empty() || text[0] == '#' || text[0] == ';') continue;
        if (text.front() == '[' && text.back() == ']') {
            section = text.substr(1, text.size() - 2);
            continue;
        }
        const size_t split = text.find_first_of("=:");
        if (split == std::string::npos) return reader.Fail("expected \"key = value\"");
        if (!reader.Take(section, Trim(std::string_view(text).substr(0, split)),
                         Trim(std::string_view(text).substr(split + 1))))
            return false;
    }
    return true;
}
#endif

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

bool StationConfig::ReadText(const std::string& text, const std::string& path, std::string* error) {
    FileReader reader{*this, path, {text}, ""};
    // Windows editors start a UTF-8 file with a byte-order mark.
    if (text.rfind(kByteOrderMark, 0) == 0) reader.source.at = kByteOrderMark.size();
    if (ParseLines(reader)) return true;
    *error = reader.error;
    return false;
}

bool StationConfig::Read(const std::string& path, bool mustExist, std::string* error) {
    const RegularFileContents file = ReadRegularFile(path, kMaxConfigFile);
    if (file.outcome != RegularFileContents::Outcome::Read) {
        if (file.missing && !mustExist) return true;
        *error = "cannot read the station settings " + path + ": " +
                 (file.outcome == RegularFileContents::Outcome::TooLarge ? "too large" : file.reason);
        return false;
    }
    return ReadText(std::string(file.bytes.begin(), file.bytes.end()), path, error);
}

bool StationConfig::ReadFiles(const std::string& chosen, std::string* error) {
    if (!chosen.empty()) return Read(chosen, true, error);
    for (const std::string& path : DefaultPaths())
        if (!Read(path, false, error)) return false;
    return true;
}

bool ConfigFlagValue(const std::string& value, bool* on) {
    for (const char* yes : {"true", "yes", "on", "1"})
        if (value == yes) return *on = true;
    for (const char* no : {"false", "no", "off", "0"})
        if (value == no) {
            *on = false;
            return true;
        }
    return false;
}

}  // namespace zt::station
