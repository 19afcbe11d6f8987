#include "station/report/JobRecordParser.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

namespace zt::station {

namespace {

bool Digits(std::string_view text, size_t at, size_t count, int* value) {
    if (at + count > text.size()) return false;
    int v = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    *value = v;
    return true;
}

bool ParseCode(std::string_view text, uint32_t* code) {
    if (text.size() != 8) return false;
    uint32_t value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    *code = value;
    return true;
}

// The members of the record's top level that the report reads, taken as the
// parser meets them: a log of a hundred thousand lines is read without
// building a document for each.
class RecordFields : public nlohmann::json::json_sax_t {
public:
    std::string record, kind, status, start, end, host, stationId, port, code, name, serialWritten, barcode;
    std::optional<double> durationMs;
    bool topIsObject = false;
    std::string error;

    bool null() override { return Scalar(nullptr); }
    bool boolean(bool) override { return Scalar(nullptr); }
    bool number_integer(number_integer_t value) override { return Number(double(value)); }
    bool number_unsigned(number_unsigned_t value) override { return Number(double(value)); }
    bool number_float(number_float_t value, const string_t&) override { return Number(value); }
    bool string(string_t& value) override { return Scalar(&value); }
    bool binary(binary_t&) override { return Scalar(nullptr); }
    bool start_object(std::size_t) override {
        if (depth_ == 0) topIsObject = true;
        ++depth_;
        target_ = nullptr;
        return true;
    }
    bool key(string_t& name) override {
        if (depth_ == 1) {
            target_ = Target(name);
            numberTarget_ = name == "durationMs";
        }
        return true;
    }
    bool end_object() override {
        --depth_;
        return true;
    }
    bool start_array(std::size_t) override {
        ++depth_;
        return true;
    }
    bool end_array() override {
        --depth_;
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::json::exception&) override {
        error = "not JSON (at byte " + std::to_string(position) + ")";
        return false;
    }

private:
    std::string* Target(const std::string& name) {
        // Compared as views, so that most keys are told apart by length alone.
        static constexpr std::pair<std::string_view, std::string RecordFields::*> kFields[] = {
            {"record", &RecordFields::record},
            {"kind", &RecordFields::kind},
            {"status", &RecordFields::status},
            {"start", &RecordFields::start},
            {"end", &RecordFields::end},
            {"host", &RecordFields::host},
            {"stationId", &RecordFields::stationId},
            {"port", &RecordFields::port},
            {"code", &RecordFields::code},
            {"name", &RecordFields::name},
            {"serialWritten", &RecordFields::serialWritten},
            {"barcode", &RecordFields::barcode},
        };
        const std::string_view key = name;
        for (const auto& [field, member] : kFields)
            if (key == field) return &(this->*member);
        return nullptr;
    }
    bool Scalar(string_t* value) {
        // A member nested in an object or array is none of ours.
        if (depth_ == 1 && target_ && value) *target_ = std::move(*value);
        target_ = nullptr;
        numberTarget_ = false;
        return true;
    }
    bool Number(double value) {
        if (depth_ == 1 && numberTarget_) durationMs = value;
        target_ = nullptr;
        numberTarget_ = false;
        return true;
    }

    int depth_ = 0;
    std::string* target_ = nullptr;
    bool numberTarget_ = false;
};

}  // namespace

bool ParseIsoTime(std::string_view text, std::chrono::system_clock::time_point* moment) {
    using namespace std::chrono;
    int y, mo, d, h, mi, s, ms = 0;
    if (!Digits(text, 0, 4, &y) || text.size() < 20 || text[4] != '-' || !Digits(text, 5, 2, &mo) ||
        text[7] != '-' || !Digits(text, 8, 2, &d) || text[10] != 'T' || !Digits(text, 11, 2, &h) ||
        text[13] != ':' || !Digits(text, 14, 2, &mi) || text[16] != ':' || !Digits(text, 17, 2, &s))
        return false;
    size_t at = 19;
    if (text[at] == '.') {
        if (!Digits(text, at + 1, 3, &ms)) return false;
        at += 4;
    }
    if (at + 1 != text.size() || text[at] != 'Z') return false;
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 60) return false;
    // The clock's nanoseconds reach only to 1677..2262: a year outside a
    // generous range stands for "too early" or "too late" without arithmetic.
    if (y < 1900 || y > 2200) {
        *moment = y < 1900 ? system_clock::time_point::min() : system_clock::time_point::max();
        return true;
    }
    *moment = sys_days{date} + hours{h} + minutes{mi} + seconds{s} + milliseconds{ms};
    return true;
}

// The first `most` bytes of `text`, or fewer, so that no UTF-8 character is cut.
std::string Utf8Prefix(std::string_view text, size_t most) {
    if (text.size() <= most) return std::string(text);
    size_t cut = most;
    // Back over continuation bytes to the start of the character that does not fit.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return std::string(text.substr(0, cut));
}

bool ParseJobRecord(std::string_view line, LoggedJob* job, std::string* reason,
                    std::chrono::system_clock::time_point latest) {
    using namespace std::chrono;
    RecordFields fields;
    if (!nlohmann::json::sax_parse(line.begin(), line.end(), &fields)) {
        *reason = fields.error.empty() ? "not JSON" : fields.error;
        return false;
    }
    if (!fields.topIsObject) {
        *reason = "not a JSON object";
        return false;
    }
    if (fields.record.empty()) {
        *reason = "no \"record\"";
        return false;
    }
    if (fields.status != "OK" && fields.status != "FAIL" && fields.status != "INTERRUPTED" &&
        fields.status != "CANCELLED") {
        *reason = fields.status.empty() ? "no \"status\""
                                        : "unknown status \"" + Utf8Prefix(fields.status, 40) + "\"";
        return false;
    }
    if (!ParseIsoTime(fields.start, &job->start) || !ParseIsoTime(fields.end, &job->end)) {
        *reason = "no valid \"start\" and \"end\"";
        return false;
    }
    // A clock decades off (or a forged line) would stretch every chart over
    // centuries; such a record says nothing true about the day.
    const system_clock::time_point earliest = sys_days{year{2000} / January / 1};
    if (job->start < earliest || job->end < earliest || job->start > latest || job->end > latest) {
        *reason = "\"start\" or \"end\" before 2000 or in the future";
        return false;
    }
    job->code.reset();
    if (!fields.code.empty()) {
        uint32_t code = 0;
        if (!ParseCode(fields.code, &code)) {
            *reason = "\"code\" is not eight hexadecimal digits";
            return false;
        }
        job->code = code;
    }
    // A job takes seconds; none takes a day. A clock set back between start
    // and end leaves a negative span, counted as 0 when no duration is given.
    constexpr double kLongestMs = 24.0 * 3600 * 1000;
    if (fields.durationMs) {
        if (!std::isfinite(*fields.durationMs) || *fields.durationMs < 0 || *fields.durationMs > kLongestMs) {
            *reason = "\"durationMs\" is not between 0 and a day";
            return false;
        }
        job->durationMs = static_cast<int64_t>(*fields.durationMs);
    } else {
        job->durationMs = std::max<int64_t>(0, duration_cast<milliseconds>(job->end - job->start).count());
        if (double(job->durationMs) > kLongestMs) {
            *reason = "\"start\" and \"end\" more than a day apart";
            return false;
        }
    }
    job->station = fields.stationId.empty() ? std::move(fields.host) : std::move(fields.stationId);
    job->port = std::move(fields.port);
    // Records of erase, read and verify name their kind; a job line of a
    // tool that wrote only write jobs names none.
    if (!fields.kind.empty())
        job->kind = std::move(fields.kind);
    else if (fields.record != "job")
        job->kind = std::move(fields.record);
    else
        job->kind = "write";
    job->status = std::move(fields.status);
    job->codeName = std::move(fields.name);
    job->barcode = std::move(fields.barcode);
    job->serialWritten = std::move(fields.serialWritten);
    return true;
}

}  // namespace zt::station
