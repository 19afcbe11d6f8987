#include "station/publish/RecordSpool.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <span>

#include "host/HostSystem.h"
#include "job/Sha256.h"

namespace zt::station {

namespace {

// Read at a time; a record is far shorter. A line that has not ended within
// kLongestLine is no record of ours and is passed over.
constexpr size_t kChunk = 256 * 1024;
constexpr size_t kLongestLine = 4 * 1024 * 1024;

}  // namespace

std::string RecordIdOf(std::string_view line) {
    const auto bytes = std::as_bytes(std::span(line.data(), line.size()));
    return Sha256Hex(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())).substr(0, 32);
}

std::string RecordPayloadOf(std::string_view line, const std::string& id) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.size() < 2 || line.front() != '{' || line.back() != '}') return "";
    line.remove_suffix(1);
    const bool empty = line.find_first_not_of(" \t", 1) == std::string_view::npos;
    std::string payload(line);
    payload += (empty ? "\"recordId\":\"" : ",\"recordId\":\"") + id + "\"}";
    return payload;
}

RecordSpool::RecordSpool(std::string logPath) : logPath_(std::move(logPath)) {}
RecordSpool::~RecordSpool() = default;

bool RecordSpool::Open(std::string* error) {
    std::string reason;
    log_ = OpenAppendOnlyFile(logPath_, &reason);
    if (!log_) {
        *error = "cannot read the log " + logPath_ + ": " + reason;
        return false;
    }
    identity_ = IdentifyFile(logPath_);
    countedTo_ = 0;
    waiting_ = 0;
    unsaved_ = false;
    return LoadPosition(error);
}

bool RecordSpool::Replaced() {
    if (IdentifyFile(logPath_) != identity_) return true;
    if (delivered_ == 0) return false;
    std::string last, reason;
    return log_->ReadFrom(delivered_ - 1, 1, &last, &reason) && last.empty();
}

bool RecordSpool::LineEndingAt(uint64_t end, std::string* line, std::string* error) {
    const uint64_t from = end > kChunk ? end - kChunk : 0;
    std::string text;
    if (!log_->ReadFrom(from, static_cast<size_t>(end - from), &text, error)) return false;
    line->clear();
    if (text.size() != end - from || text.empty() || text.back() != '\n') return true;
    text.pop_back();
    const size_t start = text.rfind('\n');
    *line = start == std::string::npos ? (from == 0 ? text : std::string()) : text.substr(start + 1);
    return true;
}

bool RecordSpool::LoadPosition(std::string* error) {
    delivered_ = 0;
    deliveredId_.clear();
    const RegularFileContents file = ReadRegularFile(PositionPath(), 4096);
    if (file.outcome != RegularFileContents::Outcome::Read) {
        if (file.missing) return true;
        *error = "cannot read " + PositionPath() + ": " +
                 (file.outcome == RegularFileContents::Outcome::TooLarge ? "it is too large" : file.reason);
        return false;
    }
    const auto position = nlohmann::json::parse(file.bytes.begin(), file.bytes.end(), nullptr, false);
    if (!position.is_object() || !position.contains("offset") || !position["offset"].is_number_unsigned() ||
        !position.contains("recordId") || !position["recordId"].is_string())
        return true;  // not ours, or torn by hand: everything goes again
    const uint64_t offset = position["offset"];
    const std::string id = position["recordId"];
    std::string line, reason;
    if (offset == 0 || !LineEndingAt(offset, &line, &reason)) return true;
    // Only where that very record ends: a replaced or shortened log starts over.
    if (RecordIdOf(line) != id) return true;
    delivered_ = countedTo_ = offset;
    deliveredId_ = id;
    return true;
}

bool RecordSpool::Read(uint64_t from, size_t maxRecords, std::vector<SpooledRecord>* out,
                       std::string* error) {
    size_t taken = 0;
    size_t chunk = kChunk;
    while (taken < maxRecords) {
        std::string text, reason;
        if (!log_->ReadFrom(from, chunk, &text, &reason)) {
            *error = "cannot read the log " + logPath_ + ": " + reason;
            return false;
        }
        size_t lineStart = 0;
        for (size_t newline;
             taken < maxRecords && (newline = text.find('\n', lineStart)) != std::string::npos;) {
            const std::string_view line(text.data() + lineStart, newline - lineStart);
            SpooledRecord record;
            record.end = from + newline + 1;
            record.id = RecordIdOf(line);
            record.payload = RecordPayloadOf(line, record.id);
            out->push_back(std::move(record));
            ++taken;
            lineStart = newline + 1;
        }
        if (lineStart == 0) {
            // No whole line in what was read: the end of the log, or a line
            // longer than any record.
            if (text.size() < chunk) return true;
            if (chunk < kLongestLine) {
                chunk *= 2;
                continue;
            }
            out->push_back({from + text.size(), RecordIdOf(text), ""});
            ++taken;
            from += text.size();
            continue;
        }
        if (text.size() < chunk && lineStart == text.size()) return true;
        from += lineStart;
        chunk = kChunk;
    }
    return true;
}

bool RecordSpool::CountWaiting(size_t* waiting, std::string* error) {
    for (;;) {
        std::string text, reason;
        if (!log_->ReadFrom(countedTo_, kChunk, &text, &reason)) {
            *error = "cannot read the log " + logPath_ + ": " + reason;
            return false;
        }
        const size_t last = text.rfind('\n');
        if (last == std::string::npos) break;
        waiting_ +=
            static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<long>(last) + 1, '\n'));
        countedTo_ += last + 1;
        if (text.size() < kChunk) break;
    }
    *waiting = waiting_;
    return true;
}

void RecordSpool::MarkDelivered(uint64_t end, const std::string& id, size_t records) {
    delivered_ = end;
    deliveredId_ = id;
    // Lines counted as waiting are those before countedTo_ only.
    waiting_ -= std::min(waiting_, records);
    if (countedTo_ < end) {
        countedTo_ = end;
        waiting_ = 0;
    }
    unsaved_ = true;
}

bool RecordSpool::SavePosition(std::string* error) {
    if (!unsaved_) return true;
    const std::string text =
        nlohmann::json{{"offset", delivered_}, {"recordId", deliveredId_}, {"log", logPath_}}.dump() + "\n";
    std::string reason;
    if (!HostFiles().WriteFileAtomically(PositionPath(), std::as_bytes(std::span(text.data(), text.size())),
                                         &reason)) {
        *error = "cannot keep the delivered position in " + PositionPath() + ": " + reason;
        return false;
    }
    unsaved_ = false;
    return true;
}

}  // namespace zt::station
