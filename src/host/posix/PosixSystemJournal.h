#pragma once
#include <memory>

#include "host/SystemJournal.h"

namespace zt::host_posix {

// systemd's journal through libsystemd's sd_journal_sendv (its native
// protocol on /run/systemd/journal/socket). Refused at the open when no
// journal listens there, so that a station without one learns it before
// the first job; a build without libsystemd refuses always.
class PosixSystemJournal final : public SystemJournal {
public:
    static std::unique_ptr<SystemJournal> Open(std::string* error);

    bool Send(const std::vector<std::string>& fields, std::string* error) override;
};

}  // namespace zt::host_posix
