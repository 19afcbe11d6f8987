#pragma once
#include <map>
#include <string>
#include <vector>

namespace zt::station {

// A station's settings kept in a file, so that an operator does not type
// them at every start. One setting per line, "key = value"; blank lines and
// lines whose first character (after blanks) is '#' are skipped. A '#' after
// the '=' is part of the value ("station-id = a # note" names the station
// "a # note"). Spaces around key and value are dropped; a UTF-8 byte-order
// mark at the start of the file is skipped. Keys: station-id, operator,
// work-order. Files are read in order and later ones win: the system's
// (/etc/zt51xx-mp/station.conf, or %PROGRAMDATA%\zt51xx-mp\station.conf),
// then the user's ($XDG_CONFIG_HOME or ~/.config, or %APPDATA%, then
// zt51xx-mp/station.conf); options given on the command line win over both.
struct StationConfig {
    std::map<std::string, std::string> values;
    // Where each value was read: "PATH line N".
    std::map<std::string, std::string> origins;

    // The files above; a file that is not there is skipped.
    static std::vector<std::string> DefaultPaths();
    // Reads `path` over what is there; false with a one-line reason for a
    // file that exists but cannot be read or has a line of another form.
    // `mustExist`: a missing file is an error too.
    bool Read(const std::string& path, bool mustExist, std::string* error);
    // `chosen` alone (it must exist) when one was named, else DefaultPaths.
    bool ReadFiles(const std::string& chosen, std::string* error);
};

}  // namespace zt::station
