#include "station/serials/SerialLedger.h"

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <system_error>

#include "host/HostSystem.h"

namespace zt::station {

namespace {

constexpr size_t kReadChunk = 1024 * 1024;

// Two ledgers of one file in this process exclude each other here: a file
// lock need not keep apart two holders within one process.
std::mutex& ProcessMutexFor(const std::string& path) {
    static std::mutex guard;
    static std::map<std::string, std::unique_ptr<std::mutex>> mutexes;
    std::lock_guard lock(guard);
    auto& mutex = mutexes[path];
    if (!mutex) mutex = std::make_unique<std::mutex>();
    return *mutex;
}

std::string FileLine(const LedgerEntry& entry) {
    nlohmann::ordered_json line = {{"serial", entry.serial}, {"source", entry.source}};
    if (entry.line > 0) line["line"] = entry.line;
    line["station"] = entry.stationId;
    line["port"] = entry.port;
    line["host"] = entry.host;
    line["time"] = entry.time;
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace

SerialLedger::~SerialLedger() = default;

std::unique_ptr<SerialLedger> SerialLedger::Open(const std::string& folder, std::string* error) {
    if (folder.empty()) {
        *error = "no folder for the serial ledger: set ZT_STATE_DIR";
        return nullptr;
    }
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) {
        *error = "cannot make the folder of the serial ledger " + folder + ": " + code.message();
        return nullptr;
    }
    std::unique_ptr<SerialLedger> ledger(new SerialLedger);
    const std::filesystem::path base(folder);
    ledger->path_ = (base / "serials.jsonl").string();
    ledger->lockPath_ = (base / "serials.lock").string();
    ledger->processMutex_ = &ProcessMutexFor(ledger->path_);
    std::lock_guard inProcess(*ledger->processMutex_);
    // Opened under the lock: the open cuts a line torn by a killed process,
    // which must not race another process's append.
    std::string why;
    const auto lock = LockFileExclusively(ledger->lockPath_, kLockWaitMs, &why);
    if (!lock) {
        *error = "cannot lock the serial ledger " + ledger->lockPath_ + ": " + why;
        return nullptr;
    }
    ledger->file_ = OpenAppendOnlyFile(ledger->path_, &why);
    if (!ledger->file_ || !ledger->ReadNew(&why)) {
        *error = "cannot use the serial ledger " + ledger->path_ + ": " + why;
        return nullptr;
    }
    return ledger;
}

bool SerialLedger::Refresh(std::string* why) {
    std::lock_guard inProcess(*processMutex_);
    std::string reason;
    const auto lock = LockFileExclusively(lockPath_, kLockWaitMs, &reason);
    if (!lock) {
        *why = "cannot lock the serial ledger " + lockPath_ + ": " + reason;
        return false;
    }
    if (!ReadNew(&reason)) {
        *why = "cannot read the serial ledger " + path_ + ": " + reason;
        return false;
    }
    return true;
}

std::optional<LedgerEntry> SerialLedger::Enter(
    const std::function<std::optional<LedgerEntry>(std::string* why)>& choose, std::string* why) {
    std::lock_guard inProcess(*processMutex_);
    std::string reason;
    const auto lock = LockFileExclusively(lockPath_, kLockWaitMs, &reason);
    if (!lock) {
        *why = "cannot lock the serial ledger " + lockPath_ + ": " + reason;
        return std::nullopt;
    }
    if (!ReadNew(&reason)) {
        *why = "cannot read the serial ledger " + path_ + ": " + reason;
        return std::nullopt;
    }
    auto entry = choose(why);
    if (!entry) return std::nullopt;
    // A torn line left by a killed process ends before this entry.
    const std::string text = (tornTail_ ? "\n" : "") + FileLine(*entry);
    if (!file_->Append(text, &reason)) {
        *why = "cannot enter " + entry->serial + " in the serial ledger " + path_ + ": " + reason;
        return std::nullopt;
    }
    // Handed out only once it reads back from the file as an entry.
    if (!ReadNew(&reason) || !Find(entry->serial)) {
        *why = "the serial ledger " + path_ + " does not read back its entry for " + entry->serial +
               (reason.empty() ? "" : ": " + reason);
        return std::nullopt;
    }
    return entry;
}

bool SerialLedger::ReadNew(std::string* why) {
    // The byte before the place read up to is the end of a line; anything
    // else means the file was cut or replaced, and what it held is unknown.
    if (offset_ > 0) {
        std::string last;
        if (!file_->ReadFrom(offset_ - 1, 1, &last, why)) return false;
        if (last != "\n") {
            *why =
                "it is shorter than when it was read: it was cut or replaced, so serials handed out "
                "before could come again; put the whole ledger back";
            return false;
        }
    }
    std::string pending;
    for (;;) {
        std::string chunk;
        if (!file_->ReadFrom(offset_ + pending.size(), kReadChunk, &chunk, why)) return false;
        if (chunk.empty()) break;
        pending += chunk;
        size_t start = 0;
        for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
            Take(pending.substr(start, end - start));
        offset_ += start;
        pending.erase(0, start);
    }
    tornTail_ = !pending.empty();
    return true;
}

void SerialLedger::Take(const std::string& text) {
    const auto entry = nlohmann::json::parse(text, nullptr, false);
    if (!entry.is_object() || !entry.contains("serial") || !entry["serial"].is_string() ||
        !entry.contains("source") || !entry["source"].is_string())
        return;  // a torn line: its serial was never handed out
    const std::string serial = entry["serial"].get<std::string>();
    const std::string source = entry["source"].get<std::string>();
    auto [known, added] = sourceIndex_.try_emplace(source, static_cast<uint32_t>(sources_.size()));
    if (added) sources_.push_back(source);
    const uint64_t line =
        entry.contains("line") && entry["line"].is_number_unsigned() ? entry["line"].get<uint64_t>() : 0;
    used_.try_emplace(serial, Use{known->second, line});
    std::string& highest = highest_[known->second];
    if (serial > highest) highest = serial;
}

std::optional<LedgerEntry> SerialLedger::Find(const std::string& serial) const {
    const auto found = used_.find(serial);
    if (found == used_.end()) return std::nullopt;
    LedgerEntry entry;
    entry.serial = serial;
    entry.source = sources_[found->second.source];
    entry.line = found->second.line;
    return entry;
}

std::string SerialLedger::Highest(const std::string& source) const {
    const auto index = sourceIndex_.find(source);
    if (index == sourceIndex_.end()) return "";
    const auto found = highest_.find(index->second);
    return found == highest_.end() ? "" : found->second;
}

}  // namespace zt::station
