#pragma once
#include <mutex>

#include "station/publish/RecordPublisher.h"
#include "station/run/StationDisplay.h"

namespace zt::station {

// A station's display that also tells how many records the broker has not
// taken yet: on the counters line after each unit, and as the number
// changes while the broker is away. The tally goes to the publisher for the
// station's state message.
//
// Threads: as StationDisplay; UndeliveredChanged comes from the publisher's
// thread, one call at a time with Counters.
class DeliveryDisplay : public StationDisplay {
public:
    DeliveryDisplay(StationDisplay& shown, RecordPublisher& publisher)
        : shown_(shown), publisher_(publisher) {}

    ConsoleView& ViewOf(size_t index, const std::string& port) override { return shown_.ViewOf(index, port); }
    void ReplugPrompt(const std::string& text) override { shown_.ReplugPrompt(text); }
    void Counters(const StationCounters& counters) override;
    void UndeliveredChanged(size_t undelivered);

private:
    StationDisplay& shown_;
    RecordPublisher& publisher_;
    std::mutex mutex_;
    StationCounters last_;
};

}  // namespace zt::station
