#include "host/posix/PosixSystemJournal.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cstring>

#if defined(ZT_HAVE_SD_JOURNAL)
#include <systemd/sd-journal.h>
#endif

namespace zt::host_posix {

namespace {
constexpr const char* kJournalSocket = "/run/systemd/journal/socket";
}

std::unique_ptr<SystemJournal> PosixSystemJournal::Open(std::string* error) {
#if defined(ZT_HAVE_SD_JOURNAL)
    if (::access(kJournalSocket, W_OK) != 0) {
        *error = std::string("no systemd journal listens on ") + kJournalSocket + " (" +
                 std::strerror(errno) + ")";
        return nullptr;
    }
    return std::make_unique<PosixSystemJournal>();
#else
    *error = "this build has no systemd journal support (it was built without libsystemd)";
    return nullptr;
#endif
}

bool PosixSystemJournal::Send(const std::vector<std::string>& fields, std::string* error) {
#if defined(ZT_HAVE_SD_JOURNAL)
    std::vector<iovec> parts(fields.size());
    for (size_t i = 0; i < fields.size(); ++i)
        parts[i] = {const_cast<char*>(fields[i].data()), fields[i].size()};
    const int result = sd_journal_sendv(parts.data(), static_cast<int>(parts.size()));
    if (result < 0) {
        *error = std::strerror(-result);
        return false;
    }
    return true;
#else
    (void)fields;
    *error = "this build has no systemd journal support";
    return false;
#endif
}

}  // namespace zt::host_posix
