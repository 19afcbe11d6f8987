#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "job/JobRequest.h"
#include "station/serials/SerialLedger.h"

namespace zt::station {

// Who a serial is handed out to, for its entry in the ledger.
struct SerialUse {
    std::string stationId;  // "" when the station has no name
    std::string port;       // the unit's port; "" when the job picks its unit itself
};

// The serial length of every image a command may write: the image file's,
// or the built-in images' (which agree); none with the reason when an image
// has no serial string.
std::optional<size_t> ImageSerialLength(const std::optional<ImageFile>& image, std::string* why);

// Where each unit's USB serial string comes from, one serial per unit and
// never the same one twice:
//   counter:START[:STEP]  START counts up by STEP (1 when left out). The
//                         digits at its end count; what comes before them stays.
//                         An all-digit START is padded with zeros to the
//                         image's length. Each run goes on from the highest
//                         serial this counter ever handed out.
//   file:PATH             one serial per line, each used once, in order.
// Every serial handed out is entered in the serial ledger of the state folder
// (SerialLedger) before the unit's job starts, so no station, run or restart
// sharing that folder hands it out again, and a job that fails uses its serial
// up too. Safe from any thread.
class SerialNumbers {
public:
    // Parses `source` and opens the ledger in `ledgerFolder` ("": the host's
    // state folder, host/HostSystem.h). None with one line in `error` and
    // the exit code for it in `exitCode`: kExitUsage when the source is
    // malformed, its file cannot be read, holds a serial that is bad or
    // repeated, or changed before the place its use has reached; kExitIoError
    // when the ledger cannot be used. `length` is the serial length of the
    // images that will be written.
    static std::unique_ptr<SerialNumbers> Parse(const std::string& source, size_t length,
                                                const std::string& ledgerFolder, std::string* error,
                                                int* exitCode);

    // No source of its own, only the ledger in `ledgerFolder` ("": the
    // state folder), opened when the first serial is adopted: for serials
    // that come from elsewhere (a pre-check program).
    static std::unique_ptr<SerialNumbers> LedgerOnly(const std::string& ledgerFolder);

    // Whether Next has serials to give (a counter or a file).
    bool HandsOut() const { return hasSource_; }

    // A serial from elsewhere for `use`: entered in the ledger under the
    // source `source`, so that no source hands it out again. False with the
    // reason when the ledger already holds it (from whatever source), or
    // the entry could not be written (then it is not to be used).
    bool Adopt(const std::string& serial, const std::string& source, const SerialUse& use, std::string* why);

    // The next serial, entered in the ledger for `use`; none with a reason
    // when they are used up, the counter outgrew its digits, or the entry
    // could not be written (then the serial is not handed out).
    std::optional<std::string> Next(const SerialUse& use, std::string* why);

    // The ledger's file, for messages (not of a ledger-only one before use).
    const std::string& LedgerPath() const { return ledger_->Path(); }

private:
    SerialNumbers() = default;
    bool ParseCounter(const std::string& source, size_t length, std::string* error);
    bool ReadFile(const std::string& path, size_t length, std::string* error);
    bool CheckPlace(std::string* error);
    std::optional<LedgerEntry> Choose(std::string* why);

    bool OpenLedger(std::string* why);
    LedgerEntry Stamped(LedgerEntry entry, const SerialUse& use) const;

    std::mutex mutex_;
    std::unique_ptr<SerialLedger> ledger_;
    bool hasSource_ = true;
    std::string ledgerFolder_;  // a ledger-only one's, until it is opened
    std::string sourceKey_;     // how the ledger names this source
    // counter
    std::string prefix_;
    uint64_t start_ = 0, step_ = 1;
    size_t digits_ = 0;
    // file
    bool fromFile_ = false;
    std::string sourcePath_;
    struct Line {
        std::string serial;
        uint64_t number;
    };
    std::vector<Line> lines_;
    size_t next_ = 0;
};

}  // namespace zt::station
