#include "station/report/LocalTime.h"

#include <cstdio>
#include <ctime>
#include <mutex>

#include "station/operator/IsoTime.h"

namespace zt::station {

namespace {

using namespace std::chrono;

// The C library keeps the broken-down time in one buffer per process.
std::mutex& ZoneMutex() {
    static std::mutex mutex;
    return mutex;
}

bool LocalFields(system_clock::time_point moment, std::tm* fields) {
    const std::time_t t = system_clock::to_time_t(floor<seconds>(moment));
    std::lock_guard lock(ZoneMutex());
    const std::tm* local = std::localtime(&t);
    if (!local) return false;
    *fields = *local;
    return true;
}

}  // namespace

seconds LocalOffset(system_clock::time_point moment) {
    std::tm fields{};
    if (!LocalFields(moment, &fields)) return seconds(0);
    const sys_days day = year{fields.tm_year + 1900} / month{static_cast<unsigned>(fields.tm_mon + 1)} /
                         static_cast<unsigned>(fields.tm_mday);
    const sys_seconds asIfUtc = day + hours{fields.tm_hour} + minutes{fields.tm_min} + seconds{fields.tm_sec};
    return asIfUtc - floor<seconds>(moment);
}

std::string LocalZoneName(system_clock::time_point moment) {
    std::tm fields{};
    if (!LocalFields(moment, &fields)) return "";
    char name[64];
    return std::strftime(name, sizeof name, "%Z", &fields) > 0 ? name : "";
}

std::string FormatLocalIsoTime(system_clock::time_point moment) {
    const seconds offset = LocalOffset(moment);
    std::string text = FormatIsoTime(moment + offset);
    const long long minutesEast = offset.count() / 60;
    const long long magnitude = minutesEast < 0 ? -minutesEast : minutesEast;
    char zone[48];
    std::snprintf(zone, sizeof zone, "%c%02lld:%02lld", minutesEast < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    text.pop_back();  // the 'Z'
    return text + zone;
}

std::optional<system_clock::time_point> LocalMoment(year_month_day date, seconds timeOfDay) {
    std::tm fields{};
    fields.tm_year = static_cast<int>(date.year()) - 1900;
    fields.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    fields.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    fields.tm_hour = static_cast<int>(timeOfDay.count() / 3600);
    fields.tm_min = static_cast<int>(timeOfDay.count() / 60 % 60);
    fields.tm_sec = static_cast<int>(timeOfDay.count() % 60);
    fields.tm_isdst = -1;  // the zone knows whether daylight saving held then
    std::time_t t;
    {
        std::lock_guard lock(ZoneMutex());
        t = std::mktime(&fields);
    }
    if (t == std::time_t(-1)) return std::nullopt;
    return system_clock::from_time_t(t);
}

}  // namespace zt::station
