#include "station/presentation/DeliveryDisplay.h"

namespace zt::station {

void DeliveryDisplay::Counters(const StationCounters& counters) {
    publisher_.SetCounters(counters);
    std::lock_guard lock(mutex_);
    last_ = counters;
    last_.undelivered = publisher_.Undelivered();
    shown_.Counters(last_);
}

void DeliveryDisplay::UndeliveredChanged(size_t undelivered) {
    std::lock_guard lock(mutex_);
    // While the broker takes every record at once there is nothing to tell.
    if (last_.undelivered == undelivered || (last_.undelivered == 0 && publisher_.Delivering())) return;
    last_.undelivered = undelivered;
    shown_.Counters(last_);
}

}  // namespace zt::station
