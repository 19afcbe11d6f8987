#include "station/report/ReportFilter.h"

#include <algorithm>

#include "station/report/LocalTime.h"

namespace zt::station {

namespace {

using namespace std::chrono;

// `count` digits at `at`, advancing it.
bool Digits(std::string_view text, size_t& at, size_t count, int* value) {
    if (at + count > text.size()) return false;
    int v = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    at += count;
    *value = v;
    return true;
}

bool Separator(std::string_view text, size_t& at, char expected) {
    if (at >= text.size() || text[at] != expected) return false;
    ++at;
    return true;
}

// "Z", "+01:00", "+0100" or "+01" at `at`, to the end of the text.
bool Zone(std::string_view text, size_t at, seconds* offset) {
    if (text.substr(at) == "Z" || text.substr(at) == "z") {
        *offset = seconds(0);
        return true;
    }
    if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return false;
    const int sign = text[at++] == '-' ? -1 : 1;
    int h = 0, m = 0;
    if (!Digits(text, at, 2, &h)) return false;
    if (at < text.size()) {
        if (text[at] == ':') ++at;
        if (!Digits(text, at, 2, &m)) return false;
    }
    if (at != text.size() || h > 23 || m > 59) return false;
    *offset = sign * (hours{h} + minutes{m});
    return true;
}

}  // namespace

bool ReportFilter::Admits(const LoggedJob& job) const {
    if (since && job.start < *since) return false;
    if (until && job.start >= *until) return false;
    return stations.empty() || std::find(stations.begin(), stations.end(), job.station) != stations.end();
}

bool ParseReportTime(std::string_view text, bool local, DayEdge edge, system_clock::time_point* moment) {
    size_t at = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    if (!Digits(text, at, 4, &y) || !Separator(text, at, '-') || !Digits(text, at, 2, &mo) ||
        !Separator(text, at, '-') || !Digits(text, at, 2, &d))
        return false;
    year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok()) return false;
    std::optional<seconds> offset;
    if (at == text.size()) {
        if (edge == DayEdge::End) date = year_month_day{sys_days{date} + days{1}};
    } else {
        if (text[at] != 'T' && text[at] != 't' && text[at] != ' ') return false;
        ++at;
        if (!Digits(text, at, 2, &h) || !Separator(text, at, ':') || !Digits(text, at, 2, &mi)) return false;
        if (at < text.size() && text[at] == ':') {
            ++at;
            if (!Digits(text, at, 2, &s)) return false;
            if (at < text.size() && text[at] == '.') {
                const size_t first = ++at;
                while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
                    if (at - first < 3) ms = ms * 10 + (text[at] - '0');
                    ++at;
                }
                if (at == first) return false;
                for (size_t shown = at - first; shown < 3; ++shown) ms *= 10;
            }
        }
        if (h > 23 || mi > 59 || s > 59) return false;
        if (at < text.size()) {
            seconds zone{0};
            if (!Zone(text, at, &zone)) return false;
            offset = zone;
        }
    }
    // Beyond the clock's range a year stands for "ever since" or "ever after".
    if (date.year() < year{1900} || date.year() > year{2200}) {
        *moment =
            date.year() < year{1900} ? system_clock::time_point::min() : system_clock::time_point::max();
        return true;
    }
    const seconds timeOfDay = hours{h} + minutes{mi} + seconds{s};
    if (!offset && local) {
        const auto placed = LocalMoment(date, timeOfDay);
        if (!placed) return false;
        *moment = *placed + milliseconds{ms};
        return true;
    }
    *moment = sys_days{date} + timeOfDay + milliseconds{ms} - offset.value_or(seconds(0));
    return true;
}

}  // namespace zt::station
