#pragma once
#include <map>
#include <string>
#include <vector>

namespace zt::station {

// One "key = value" line of a settings file.
struct ConfigEntry {
    std::string key, value;
    std::string origin;  // "PATH line N"
};

// A station's settings kept in a file, so that an operator (or the station
// service) does not type them at every start. Each key is the long name of
// an option of the command that reads the file ("replug = power" is
// --replug power, "barcode = true" is --barcode); an option given on the
// command line wins over the file, and a key given twice adds a second value
// to an option that takes several (two "port =" lines are two --port).
//
// One setting per line, "key = value"; blank lines and lines whose first
// character (after blanks) is '#' or ';' are skipped, and so is a comment
// after the value that starts with a blank and then '#' or ';' ("work-order =
// 77 # east" is 77). A value in double quotes is taken as it stands between
// them, blanks and '#' included ("operator = "Li Wei"" is Li Wei), except
// that a blank and ';' ends it there too. Spaces around key and value are
// dropped; a UTF-8 byte-order mark at the start of the file is skipped. Lines
// are at most about 200 characters. Files are read in order and later ones
// win: the system's (/etc/zt51xx-mp/station.conf, or
// %PROGRAMDATA%\zt51xx-mp\station.conf), then the user's ($XDG_CONFIG_HOME or
// ~/.config, or %APPDATA%, then zt51xx-mp/station.conf).
struct StationConfig {
    // Every line that set something, in the order read.
    std::vector<ConfigEntry> entries;
    // The last value of each key, and where it was read.
    std::map<std::string, std::string> values;
    std::map<std::string, std::string> origins;

    // The files above; a file that is not there is skipped.
    static std::vector<std::string> DefaultPaths();
    // Reads `path` over what is there; false with a one-line reason for a
    // file that exists but cannot be read or has a line of another form
    // ("PATH line N: ..."). `mustExist`: a missing file is an error too.
    bool Read(const std::string& path, bool mustExist, std::string* error);
    // Reads the text of a file named `path`.
    bool ReadText(const std::string& text, const std::string& path, std::string* error);
    // `chosen` alone (it must exist) when one was named, else DefaultPaths.
    bool ReadFiles(const std::string& chosen, std::string* error);
};

// Whether `value` turns a flag on ("true", "yes", "on", "1") or off
// ("false", "no", "off", "0"); false for anything else.
bool ConfigFlagValue(const std::string& value, bool* on);

}  // namespace zt::station
