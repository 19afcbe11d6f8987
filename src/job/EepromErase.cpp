#include "job/ProgrammingJob.h"

// The engineering command that erases the EEPROM of the open (or first known)
// device. It runs on the user-interface thread and blocks it until done.
namespace zt {

void ProgrammingJob::OnEraseEeprom() {
    // The worker owns the connection while a job runs; erasing under it would
    // wreck the job and the chip.
    if (workerStep.load() != 0) return;

    // Nothing is shown: a failure only leaves its record in jobResult.
    const auto ended = [this](Status status) {
        events.EraseEnded(Succeeded(status) ? JobOutcome::Ok() : JobOutcome::Failed(jobResult.Get()));
    };
    if (hidLink.isOpen.load()) return ended(EraseEeprom());
    const Status opened = OpenKnownDevice();
    if (Failed(opened)) return ended(opened);
    const Status erased = EraseEeprom();
    CloseDevice();
    ended(erased);
}

}  // namespace zt
