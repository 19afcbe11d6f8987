#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zt::station {

// Where each unit's USB serial string comes from, one serial per unit and
// never the same one twice:
//   counter:START[:STEP]  START counts up by STEP (1 when left out). The
//                         digits at its end count; what comes before them stays.
//                         An all-digit START is padded with zeros to the
//                         image's length.
//   file:PATH             one serial per line, each used once. How far the file
//                         has been used is kept in a state file, so a restart
//                         goes on after the last serial handed out.
// A serial is handed out (and, for a file, the state saved) before the unit's
// job starts, so a job that fails uses its serial up too. Safe from any thread.
class SerialNumbers {
public:
    // Parses `source`; none with a one-line reason when it is malformed, the
    // file cannot be read or holds a bad serial, or the state file cannot be
    // read. `length` is the serial length of the images that will be written;
    // `statePath` is where a file's place is kept.
    static std::unique_ptr<SerialNumbers> Parse(const std::string& source, size_t length,
                                                const std::string& statePath, std::string* error);

    // The next serial; none with a reason when they are used up, the counter
    // outgrew its digits, or the state could not be saved.
    std::optional<std::string> Next(std::string* error);

    // The state file that `file:PATH` keeps beside `logPath` (or beside PATH
    // when there is no log file).
    static std::string StatePathFor(const std::string& source, const std::string& logPath);

private:
    SerialNumbers() = default;

    std::mutex mutex_;
    // counter
    std::string prefix_;
    uint64_t value_ = 0, step_ = 1;
    size_t digits_ = 0;
    // file
    bool fromFile_ = false;
    std::vector<std::string> lines_;
    size_t next_ = 0;
    std::string statePath_, sourcePath_;
};

}  // namespace zt::station
