#include "station/records/RecordKeeper.h"

#include <algorithm>

namespace zt::station {

bool RecordKeeper::Keep(const StationRecord& record, std::string* error) {
    std::lock_guard lock(mutex_);
    return Append(record, error);
}

void RecordKeeper::BeginTurns() {
    std::lock_guard lock(mutex_);
    nextTurn_ = 0;
}

bool RecordKeeper::KeepInTurn(size_t turn, const StationRecord& record, std::string* error) {
    std::unique_lock lock(mutex_);
    turnTaken_.wait(lock, [&] { return nextTurn_ >= turn; });
    const bool kept = Append(record, error);
    nextTurn_ = std::max(nextTurn_, turn + 1);
    turnTaken_.notify_all();
    return kept;
}

bool RecordKeeper::Append(const StationRecord& record, std::string* error) {
    if (!log_ || !log_->IsOpen() || log_->Append(FormatStationRecord(record), error)) return true;
    failed_.store(true);
    return false;
}

}  // namespace zt::station
