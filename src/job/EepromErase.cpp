#include "job/ProgrammingJob.h"

// The engineering command that erases the EEPROM of the open (or first known)
// device. It runs on the user-interface thread and blocks it until done.
namespace zt {

void ProgrammingJob::Erase() {
    // The worker owns the connection while a job runs; erasing under it would
    // wreck the job and the chip.
    if (workerStep_.load() != 0) return;

    // Nothing is shown: a failure only leaves its record in jobResult.
    const auto ended = [this](Status status) {
        observer_.EraseEnded(Succeeded(status) ? JobOutcome::Ok() : JobOutcome::Failed(jobResult_.Get()));
    };
    if (device_.IsOpen()) return ended(commands_.EraseEeprom());
    const Status opened = device_.OpenKnownDevice();
    if (Failed(opened)) return ended(opened);
    const Status erased = commands_.EraseEeprom();
    device_.CloseDevice();
    ended(erased);
}

}  // namespace zt
