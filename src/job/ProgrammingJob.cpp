#include "job/ProgrammingJob.h"

#include <chrono>

namespace zt {

ProgrammingJob::ProgrammingJob(const Platform& platform, JobView& view, JobEvents& events)
    : DeviceCommandSet(platform, view), view(view), events(events) {}

void ProgrammingJob::RecordFailure(uint32_t origin, Failure failure) {
    jobResult.Record(jobStage.load(), origin, failure);
}

bool ProgrammingJob::StopRequested() const { return workerRun.load() == 0; }

void ProgrammingJob::ReportJobFailure() {
    const uint32_t code = jobResult.Code();
    jobReport.codesShown.push_back(code);
    EndReport(JobOutcome::Failed(jobResult.Get()));
    view.ShowFailureBox(code);
}

void ProgrammingJob::EndReport(const JobOutcome& outcome) {
    jobReport.outcome = outcome;
    jobReport.end = std::chrono::system_clock::now();
    events.JobEnded(jobReport);
}

void ProgrammingJob::WakeWorker() {
    {
        std::lock_guard lock(wakeMutex);
        wakeRequested = true;
    }
    wakeCondition.notify_one();
}

}  // namespace zt
