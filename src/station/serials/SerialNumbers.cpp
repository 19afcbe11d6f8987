#include "station/serials/SerialNumbers.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "chip/EepromImage.h"
#include "chip/HexId.h"
#include "chip/ImageIdentity.h"
#include "host/HostSystem.h"
#include "station/config/ExitCodes.h"
#include "station/operator/IsoTime.h"

namespace zt::station {

namespace {

constexpr size_t kMaxSerialFile = 16 * 1024 * 1024;

bool AllDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The file as the ledger names it: the same file reached by another path
// (a link, a relative name) is the same source.
std::string FileKey(const std::string& path) {
    std::error_code code;
    const auto canonical = std::filesystem::weakly_canonical(path, code);
    return "file:" + (code ? path : canonical.string());
}

}  // namespace

std::optional<size_t> ImageSerialLength(const std::optional<ImageFile>& image, std::string* why) {
    std::optional<size_t> length;
    auto take = [&](std::span<const uint8_t> bytes, const std::string& name) {
        const auto place = FindSerialString(bytes);
        if (!place) {
            *why = name + " has no serial string to write a serial into";
            return false;
        }
        if (length && *length != place->characters) {
            *why = "the built-in images' serial strings differ in length";
            return false;
        }
        length = place->characters;
        return true;
    };
    if (image) return take(image->bytes, image->name) ? length : std::nullopt;
    for (const EepromImage* builtIn : {&kImageA, &kImageB})
        if (!take(*builtIn, "the built-in image")) return std::nullopt;
    return length;
}

std::unique_ptr<SerialNumbers> SerialNumbers::LedgerOnly(const std::string& ledgerFolder) {
    std::unique_ptr<SerialNumbers> serials(new SerialNumbers);
    serials->hasSource_ = false;
    serials->ledgerFolder_ = ledgerFolder;
    return serials;
}

bool SerialNumbers::OpenLedger(std::string* why) {
    if (ledger_) return true;
    ledger_ = SerialLedger::Open(ledgerFolder_.empty() ? StateFolder() : ledgerFolder_, why);
    return ledger_ != nullptr;
}

LedgerEntry SerialNumbers::Stamped(LedgerEntry entry, const SerialUse& use) const {
    entry.stationId = use.stationId;
    entry.port = use.port;
    entry.host = ThisHost().Name();
    entry.time = FormatIsoTime(std::chrono::system_clock::now());
    return entry;
}

bool SerialNumbers::Adopt(const std::string& serial, const std::string& source, const SerialUse& use,
                          std::string* why) {
    std::lock_guard lock(mutex_);
    if (!OpenLedger(why)) return false;
    return ledger_
        ->Enter(
            [&](std::string* reason) -> std::optional<LedgerEntry> {
                if (const auto before = ledger_->Find(serial)) {
                    *reason = Quoted(serial) + " was handed out before (" + before->source + ", " +
                              ledger_->Path() + ")";
                    return std::nullopt;
                }
                LedgerEntry entry;
                entry.serial = serial;
                entry.source = source;
                return Stamped(entry, use);
            },
            why)
        .has_value();
}

std::unique_ptr<SerialNumbers> SerialNumbers::Parse(const std::string& source, size_t length,
                                                    const std::string& ledgerFolder, std::string* error,
                                                    int* exitCode) {
    *exitCode = kExitUsage;
    std::unique_ptr<SerialNumbers> serials(new SerialNumbers);
    if (source.rfind("counter:", 0) == 0) {
        if (!serials->ParseCounter(source, length, error)) return nullptr;
    } else if (source.rfind("file:", 0) == 0 && source.size() > 5) {
        if (!serials->ReadFile(source.substr(5), length, error)) return nullptr;
    } else {
        *error = "--serial " + source + ": give counter:START[:STEP] or file:PATH";
        return nullptr;
    }
    serials->ledger_ = SerialLedger::Open(ledgerFolder.empty() ? StateFolder() : ledgerFolder, error);
    if (!serials->ledger_) {
        *error = "--serial: " + *error;
        *exitCode = kExitIoError;
        return nullptr;
    }
    if (serials->fromFile_ && !serials->CheckPlace(error)) return nullptr;
    return serials;
}

bool SerialNumbers::ParseCounter(const std::string& source, size_t length, std::string* error) {
    std::string start = source.substr(8);
    std::string step = "1";
    if (const size_t colon = start.find(':'); colon != std::string::npos) {
        step = start.substr(colon + 1);
        start = start.substr(0, colon);
    }
    if (AllDigits(start) && start.size() < length) start.insert(0, length - start.size(), '0');
    uint64_t stepValue = 0;
    if (AllDigits(step))
        if (const auto parsed = ParseNumberArgument(step)) stepValue = *parsed;
    size_t digits = 0;
    while (digits < start.size() &&
           std::isdigit(static_cast<unsigned char>(start[start.size() - 1 - digits])))
        ++digits;
    if (!IsSerialText(start) || start.size() != length || digits == 0 || digits > 18 || stepValue == 0 ||
        stepValue > 1000000000) {
        *error = "--serial " + source + ": START must be " + std::to_string(length) +
                 " letters, digits or '-' ending in digits, and STEP a number from 1";
        return false;
    }
    prefix_ = start.substr(0, start.size() - digits);
    digits_ = digits;
    start_ = std::stoull(start.substr(start.size() - digits));
    step_ = stepValue;
    sourceKey_ = "counter:" + start + ":" + std::to_string(step_);
    return true;
}

// Every line is checked before any unit: a bad serial, or one that appears
// twice and would go to two units, stops the command.
bool SerialNumbers::ReadFile(const std::string& path, size_t length, std::string* error) {
    fromFile_ = true;
    sourcePath_ = path;
    sourceKey_ = FileKey(path);
    const RegularFileContents file = ReadRegularFile(path, kMaxSerialFile);
    if (file.outcome != RegularFileContents::Outcome::Read) {
        *error = "--serial: cannot read " + path + ": " +
                 (file.outcome == RegularFileContents::Outcome::TooLarge ? "too large" : file.reason);
        return false;
    }
    const std::string text(file.bytes.begin(), file.bytes.end());
    std::unordered_map<std::string, uint64_t> seen;
    uint64_t number = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!IsSerialText(line) || line.size() != length) {
            *error = "--serial: " + path + " line " + std::to_string(number) + ": " + Quoted(line) +
                     " is not a serial of " + std::to_string(length) + " letters, digits or '-'";
            return false;
        }
        if (const auto [first, added] = seen.try_emplace(line, number); !added) {
            *error = "--serial: " + path + " lines " + std::to_string(first->second) + " and " +
                     std::to_string(number) + " both hold " + Quoted(line) +
                     ": a serial may be handed out once; take one of them out";
            return false;
        }
        lines_.push_back({line, number});
    }
    return true;
}

// The place is just past the last line the ledger has handed out. Every line
// before it must have been handed out too, each where it was: a line put in
// or taken out above the place would shift the file under the stations.
bool SerialNumbers::CheckPlace(std::string* error) {
    size_t place = 0;
    for (size_t i = lines_.size(); i > 0; --i)
        if (ledger_->Find(lines_[i - 1].serial)) {
            place = i;
            break;
        }
    for (size_t i = 0; i < place; ++i) {
        const Line& line = lines_[i];
        const auto entry = ledger_->Find(line.serial);
        std::string change;
        if (!entry)
            change = "line " + std::to_string(line.number) + " " + Quoted(line.serial) +
                     " was never handed out, yet line " + std::to_string(lines_[place - 1].number) + " " +
                     Quoted(lines_[place - 1].serial) + " after it was";
        else if (entry->source == sourceKey_ && entry->line != line.number)
            change = "line " + std::to_string(line.number) + " " + Quoted(line.serial) + " was line " +
                     std::to_string(entry->line) + " when it was handed out";
        if (change.empty()) continue;
        *error = "--serial: " + sourcePath_ + " changed before the place its use has reached (line " +
                 std::to_string(lines_[place - 1].number) + "): " + change + " (" + ledger_->Path() +
                 "); keep the used lines as they were and add new serials at the end";
        return false;
    }
    next_ = place;
    return true;
}

std::optional<std::string> SerialNumbers::Next(const SerialUse& use, std::string* why) {
    std::lock_guard lock(mutex_);
    if (!hasSource_) {
        *why = "no serial source";
        return std::nullopt;
    }
    const auto entry = ledger_->Enter(
        [&](std::string* reason) -> std::optional<LedgerEntry> {
            auto chosen = Choose(reason);
            if (chosen) return std::optional(Stamped(*chosen, use));
            return chosen;
        },
        why);
    if (!entry) return std::nullopt;
    return entry->serial;
}

// Called under the ledger's lock with every entry read in: the first line of
// the file, or the counter's next value, that nobody has handed out.
std::optional<LedgerEntry> SerialNumbers::Choose(std::string* why) {
    LedgerEntry entry;
    entry.source = sourceKey_;
    if (fromFile_) {
        while (next_ < lines_.size() && ledger_->Find(lines_[next_].serial)) ++next_;
        if (next_ >= lines_.size()) {
            *why = "every serial of " + sourcePath_ + " has been used";
            return std::nullopt;
        }
        entry.serial = lines_[next_].serial;
        entry.line = lines_[next_].number;
        return entry;
    }
    uint64_t value = start_;
    const std::string highest = ledger_->Highest(sourceKey_);
    if (!highest.empty()) {
        const std::string number = highest.substr(std::min(prefix_.size(), highest.size()));
        if (highest.rfind(prefix_, 0) != 0 || number.size() != digits_ || !AllDigits(number)) {
            *why = "the serial ledger " + ledger_->Path() + " holds " + Quoted(highest) + " for " +
                   sourceKey_ + ", which that counter cannot have made";
            return std::nullopt;
        }
        value = std::stoull(number) + step_;
    }
    for (;; value += step_) {
        std::string number = std::to_string(value);
        if (number.size() > digits_) {
            *why = "the serial counter has outgrown its " + std::to_string(digits_) + " digits";
            return std::nullopt;
        }
        number.insert(0, digits_ - number.size(), '0');
        entry.serial = prefix_ + number;
        // One another source handed out already is passed over.
        if (!ledger_->Find(entry.serial)) return entry;
    }
}

}  // namespace zt::station
