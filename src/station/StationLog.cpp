#include "station/StationLog.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

#include "chip/HexId.h"
#include "job/FailureCatalogue.h"
#include "job/JobOutcome.h"
#include "station/IsoTime.h"
#include "station/JsonEvents.h"

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace zt::station {

namespace {

std::string HostName() {
#ifdef _WIN32
    const char* name = std::getenv("COMPUTERNAME");
    return name ? name : "";
#else
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "";
    return name;
#endif
}

template <typename T>
nlohmann::ordered_json HexOrNull(const std::optional<T>& id) {
    if (!id) return nullptr;
    return FormatHexId(*id);
}

}  // namespace

std::string FormatStationRecord(const StationRecord& r) {
    using namespace std::chrono;
    nlohmann::ordered_json line = {
        {"schema", JsonEvents::kSchemaVersion},
        {"record", "job"},
        {"start", FormatIsoTime(r.start)},
        {"end", FormatIsoTime(r.end)},
        {"durationMs", duration_cast<milliseconds>(r.end - r.start).count()},
        {"host", HostName()},
        {"tool", ZT_TOOL_VERSION},
        {"port", r.port},
        {"vidBefore", HexOrNull(r.vendorIdBefore)},
        {"pidBefore", HexOrNull(r.productIdBefore)},
        {"vidAfter", HexOrNull(r.vendorIdAfter)},
        {"pidAfter", HexOrNull(r.productIdAfter)},
        {"bcdDevice", HexOrNull(r.bcdDevice)},
        {"serial", r.serial},
        {"chipId", r.chipId ? nlohmann::ordered_json(FormatResultCode(*r.chipId)) : nullptr},
        {"image", r.image},
        {"imageSha256", r.imageSha256},
        {"status", r.status},
        {"code", r.code ? nlohmann::ordered_json(FormatResultCode(*r.code)) : nullptr},
    };
    if (r.code) {
        const FailureDescription description = DescribeFailure(*r.code);
        line["name"] = description.detailName;
        line["meaning"] = description.meaning;
    } else {
        line["name"] = nullptr;
        line["meaning"] = nullptr;
    }
    line["rewritePasses"] = r.rewritePasses;
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
}

StationLog::~StationLog() {
#ifdef _WIN32
    if (fd_ >= 0) ::_close(fd_);
#else
    if (fd_ >= 0) ::close(fd_);
#endif
}

bool StationLog::Open(const std::string& path, std::string* error) {
    path_ = path;
#ifdef _WIN32
    fd_ = ::_open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
#endif
    if (fd_ < 0) {
        *error = "cannot open the log " + path + " for appending: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool StationLog::Append(const std::string& line, std::string* error) {
#ifdef _WIN32
    const int written = ::_write(fd_, line.data(), static_cast<unsigned>(line.size()));
    const bool synced = ::_commit(fd_) == 0;
#else
    ssize_t written;
    do written = ::write(fd_, line.data(), line.size());
    while (written < 0 && errno == EINTR);
    const bool synced = written >= 0 && ::fsync(fd_) == 0;
#endif
    if (written < 0 || static_cast<size_t>(written) != line.size() || !synced) {
        *error = "the log " + path_ + " was not written: " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace zt::station
