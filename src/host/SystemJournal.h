#pragma once
#include <string>
#include <vector>

namespace zt {

// The system's own journal of structured entries (systemd's journal on
// Linux), so that station records leave the station with the rest of its
// log. Get it with OpenSystemJournal (host/HostSystem.h), which refuses
// where the system has none or this build cannot reach it.
class SystemJournal {
public:
    virtual ~SystemJournal() = default;

    // Sends one entry. Each field is "NAME=value": NAME of upper-case
    // letters, digits and '_', not starting with '_'; the value may hold any
    // bytes, newlines included. Returns once the journal has taken the entry
    // (it does not wait for the disk). False with the system's reason in
    // `error`. Blocks briefly; safe from any thread.
    virtual bool Send(const std::vector<std::string>& fields, std::string* error) = 0;
};

}  // namespace zt
