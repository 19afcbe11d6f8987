#pragma once
#include <cstdint>
#include <mutex>
#include <string>

#include "job/FailureCatalogue.h"

namespace zt {

// The outcome of a failed operation: the stage last written to the device,
// the number of the operation that failed, a class and a detail, all of them
// numbers of the failure catalogue.
struct JobResult {
    uint32_t stage = 0;
    uint32_t origin = 0;
    uint32_t errorClass = 0;
    uint32_t errorDetail = 0;

    // Only the low byte of each field reaches the code.
    uint32_t Code() const {
        return ((stage & 0xFF) << 24) | ((origin & 0xFF) << 16) | ((errorClass & 0xFF) << 8) |
               (errorDetail & 0xFF);
    }
    bool operator==(const JobResult&) const = default;
};

// "Fail to Write EEPROM! [XXXXXXXX]" for a code.
std::string FailureMessage(uint32_t code);

// The dialog's job record. Both threads record failures into it, so the four
// fields are written and read together under a lock; a record is never seen
// half-written.
class JobResultCell {
public:
    void Record(uint32_t stage, uint32_t origin, uint32_t errorClass, uint32_t errorDetail) {
        std::lock_guard lock(mutex_);
        value_ = {stage, origin, errorClass, errorDetail};
    }
    void Record(uint32_t stage, uint32_t origin, Failure failure) {
        Record(stage, origin, failure.errorClass, failure.errorDetail);
    }
    void Reset() { Record(0, 0, 0, 0); }
    JobResult Get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    uint32_t Code() const { return Get().Code(); }

private:
    mutable std::mutex mutex_;
    JobResult value_;
};

}  // namespace zt
