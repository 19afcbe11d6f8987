#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "station/records/CameBack.h"

namespace zt {
class AppendOnlyFile;
class SystemJournal;
}  // namespace zt

namespace zt::station {

// What the station log keeps of one job: enough to trace a unit back to the
// run, the host, the tool and the exact image that went into it.
struct StationRecord {
    std::chrono::system_clock::time_point start, end;
    std::string port;
    std::optional<uint16_t> vendorIdBefore, productIdBefore;  // as the job first opened the unit
    std::optional<uint16_t> vendorIdAfter, productIdAfter;    // as it came back after the re-plug
    std::optional<uint16_t> bcdDevice;
    std::string serial;  // "" when the unit has none or it could not be read
    std::optional<uint32_t> chipId;
    std::string image;        // "A" or "B"; "" when no image was selected
    std::string imageSha256;  // of the bytes written; "" without an image
    std::string status;       // "OK", "FAIL", "INTERRUPTED" or "CANCELLED"
    std::optional<uint32_t> code;
    std::optional<uint32_t> restoreCode;  // the failed header restore's, after `code`
    int rewritePasses = 0;
    // Who ran the job and what the unit carries; "" when not given.
    std::string stationId, operatorName, workOrder, barcode;
    std::string serialWritten;  // "" when the image's own serial stayed
    // Serials entered in the ledger for the unit that did not go into it
    // (the unit was refused, its job stopped before the serial went in, or
    // the pre-check handed it another): they stay used, and this says where.
    std::vector<std::string> serialsSpent;
    // The pre-check program's first line of output, or why it gave no answer;
    // "" when it said nothing or did not run.
    std::string preCheck;
    // The check after the last re-plug: none when it was not asked for;
    // what came back when something did.
    std::optional<bool> confirmed;
    std::optional<CameBack> cameBack;
    // The release number of `image` (its high-speed descriptor's bcdDevice):
    // an image file may carry any release of the chip's own series.
    std::optional<uint16_t> imageRelease;
    // What the command did: "write" (left out of the line, as records of
    // write jobs always were), "erase", "read" or "verify".
    std::string kind = "write";
};

// The record as one line of JSON (with its newline); docs/json-events.md
// describes its fields.
std::string FormatStationRecord(const StationRecord& record);

// An append-only file of records, one line per job. The file is opened
// before the job so that a log that cannot be written stops the job before
// it touches a unit. Each line goes out in one write on a file opened for
// appending, and is synced before the caller reports the result: a tool
// killed between jobs leaves every earlier line whole, and several tools may
// share one log.
class StationLog {
public:
    StationLog();
    ~StationLog();
    StationLog(const StationLog&) = delete;
    StationLog& operator=(const StationLog&) = delete;

    // False with a reason when the file cannot be opened for appending.
    bool Open(const std::string& path, std::string* error);
    // Also (or only) sends each record to the system's journal as an entry
    // of fields (station/records/JournalRecord.h). False with a reason where there is
    // no journal to reach.
    bool OpenJournal(std::string* error);
    bool IsOpen() const { return file_ != nullptr || journal_ != nullptr; }
    // False with a reason when the line was not written and synced whole, or
    // the journal did not take it; the other destination still gets it.
    bool Append(const std::string& line, std::string* error);

private:
    std::unique_ptr<AppendOnlyFile> file_;
    std::unique_ptr<SystemJournal> journal_;
    std::string path_;
};

}  // namespace zt::station
