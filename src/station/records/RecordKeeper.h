#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>

#include "station/records/StationLog.h"

namespace zt::station {

// Where every unit's record goes, one at a time, before its result is shown.
// A record that could not be written is remembered: a station then takes no
// more units (those under way still finish and try theirs), and the run ends
// with the log's exit code.
//
// Threads: Keep may be called from every unit's thread; the records go out
// one at a time, in the order the calls come.
class RecordKeeper {
public:
    // `log` may be null or closed: nothing is kept and nothing fails.
    explicit RecordKeeper(StationLog* log) : log_(log) {}

    // Appends the record and syncs it; false with the reason when it is not
    // in the log.
    bool Keep(const StationRecord& record, std::string* error);
    // Several units written together keep their records in the order the
    // units were named: BeginTurns starts the count for one such run (never
    // two at once on one keeper), and turn n then waits until the records of
    // turns 0 to n-1 are kept (every turn must come).
    void BeginTurns();
    bool KeepInTurn(size_t turn, const StationRecord& record, std::string* error);
    // Whether any record could not be written.
    bool Failed() const { return failed_.load(); }

private:
    bool Append(const StationRecord& record, std::string* error);  // under mutex_

    StationLog* log_;
    std::mutex mutex_;
    std::condition_variable turnTaken_;
    size_t nextTurn_ = 0;
    std::atomic<bool> failed_{false};
};

}  // namespace zt::station
