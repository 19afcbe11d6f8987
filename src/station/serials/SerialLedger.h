#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zt {
class AppendOnlyFile;
}

namespace zt::station {

// One serial handed out, as the ledger keeps it.
struct LedgerEntry {
    std::string serial;
    std::string source;  // "counter:START:STEP" or "file:PATH"
    uint64_t line = 0;   // the serial's line in its file; 0 for a counter
    std::string stationId, port, host, time;
};

// Every serial ever handed out from a state folder: one JSON line each in
// serials.jsonl, appended and synced before the serial goes to its unit, under
// an exclusive lock on serials.lock beside it that every process using the
// folder takes (stations on this host, or on others sharing the folder as far
// as the file server's locks hold). A serial that is in the ledger is never
// handed out again, whichever source, station, log or run it came from; a
// serial whose entry could not be written is not handed out at all. A line
// torn by a process killed mid-append is not an entry: its serial was never
// handed out. Safe from any thread.
class SerialLedger {
public:
    // How long a station waits for another to finish its entry.
    static constexpr uint32_t kLockWaitMs = 10000;

    // The ledger in `folder` (created when missing), read whole; null with
    // the reason when the folder, the lock or the file cannot be used.
    static std::unique_ptr<SerialLedger> Open(const std::string& folder, std::string* error);
    ~SerialLedger();
    SerialLedger(const SerialLedger&) = delete;
    SerialLedger& operator=(const SerialLedger&) = delete;

    // Under the lock, with every entry made so far read in: `choose` names
    // the entry to add (none, with the reason in `why`, adds nothing), and it
    // is appended and synced before the lock goes. The entry, or none with
    // the reason when it was not chosen or could not be written and read back.
    std::optional<LedgerEntry> Enter(
        const std::function<std::optional<LedgerEntry>(std::string* why)>& choose, std::string* why);

    // Reads what others entered since, under the lock; false with the reason.
    bool Refresh(std::string* why);

    // As of the last Enter or Refresh (call them from within `choose`, or
    // after Refresh): the entry for `serial` (its source and line only, for
    // telling where it went), and the highest serial in text order a source
    // handed out ("" for none).
    std::optional<LedgerEntry> Find(const std::string& serial) const;
    std::string Highest(const std::string& source) const;

    const std::string& Path() const { return path_; }

private:
    struct Use {
        uint32_t source;
        uint64_t line;
    };
    SerialLedger() = default;
    bool ReadNew(std::string* why);
    void Take(const std::string& text);

    std::string path_, lockPath_;
    std::unique_ptr<AppendOnlyFile> file_;
    std::mutex* processMutex_ = nullptr;  // one per ledger file, shared in the process
    uint64_t offset_ = 0;                 // just past the last whole line read
    bool tornTail_ = false;               // bytes after offset_ that end in no newline
    std::vector<std::string> sources_;
    std::unordered_map<std::string, uint32_t> sourceIndex_;
    std::unordered_map<std::string, Use> used_;
    std::unordered_map<uint32_t, std::string> highest_;
};

}  // namespace zt::station
