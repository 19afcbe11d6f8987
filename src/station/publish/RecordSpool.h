#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/FileIdentity.h"

namespace zt {
class AppendOnlyFile;
}

namespace zt::station {

// The ID a record travels under: the first 128 bits of the SHA-256 of its
// line (without the newline), in hexadecimal. The same line always gets the
// same ID, so a record sent again after a restart can be told for a repeat.
std::string RecordIdOf(std::string_view line);

// What goes to the broker for a line of the station log: the line exactly as
// the log holds it, with "recordId" added as its last member. "" when the
// line is not a JSON object (a line of another program), which is not sent.
std::string RecordPayloadOf(std::string_view line, const std::string& id);

// One whole line of the log, as read for sending.
struct SpooledRecord {
    uint64_t end = 0;     // the offset just after its newline
    std::string id;       // RecordIdOf the line
    std::string payload;  // RecordPayloadOf the line; "" for a line that is not a record
};

// The station log read as the queue of records still to be delivered. Beside
// the log, in LOG.delivered, it keeps how far the broker has acknowledged
// every record: the offset after the last one and that record's ID, replaced
// whole so that a crash leaves the old position or the new. A position whose
// record is not where it says (the log was replaced or cut) is not trusted:
// the log is sent again from its start, and consumers drop the repeats by ID.
//
// Threads: one at a time.
class RecordSpool {
public:
    explicit RecordSpool(std::string logPath);
    ~RecordSpool();
    RecordSpool(const RecordSpool&) = delete;
    RecordSpool& operator=(const RecordSpool&) = delete;

    // Opens the log (it is created when missing) and reads the position.
    // False with one line of reason.
    bool Open(std::string* error);

    std::string PositionPath() const { return logPath_ + ".delivered"; }

    // Where the acknowledged records end.
    uint64_t Delivered() const { return delivered_; }
    // The whole lines from `from` on, at most `maxRecords`, added to `out`;
    // a line still being written is left for later.
    bool Read(uint64_t from, size_t maxRecords, std::vector<SpooledRecord>* out, std::string* error);
    // The whole lines after the acknowledged ones, counted as the log grows.
    bool CountWaiting(size_t* waiting, std::string* error);
    // The broker acknowledged `records` more lines, ending at `end` with the
    // record `id`. Kept in memory until SavePosition.
    void MarkDelivered(uint64_t end, const std::string& id, size_t records);
    // Whether the path now names another file than the one read (the log
    // was rotated: renamed and started anew) or the file became shorter than
    // what was delivered of it (cut).
    bool Replaced();
    // Reads the file the path names now, from its start unless the position
    // beside it fits it.
    bool Reopen(std::string* error) { return Open(error); }
    bool SavePosition(std::string* error);

private:
    bool LoadPosition(std::string* error);
    bool LineEndingAt(uint64_t end, std::string* line, std::string* error);

    const std::string logPath_;
    std::unique_ptr<AppendOnlyFile> log_;
    std::optional<FileIdentity> identity_;
    uint64_t delivered_ = 0;
    std::string deliveredId_;
    bool unsaved_ = false;
    uint64_t countedTo_ = 0;  // whole lines up to here are in waiting_
    size_t waiting_ = 0;
};

}  // namespace zt::station
