#pragma once
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "job/JobRequest.h"
#include "station/ports/KnownDeviceScan.h"
#include "station/presentation/UiCallQueue.h"
#include "station/presentation/WindowStationDisplay.h"
#include "station/presenter/StationPorts.h"
#include "station/presenter/StationRow.h"
#include "station/presenter/StationTally.h"
#include "station/presenter/StationView.h"
#include "station/records/RecordKeeper.h"
#include "station/records/StationLog.h"
#include "station/serials/SerialNumbers.h"
#include "station/unit/PreCheck.h"
#include "station/unit/UnitResult.h"

namespace zt {
class DeviceBackend;
}

namespace zt::station {

// What a station window does, whatever draws it: one row per port a unit is
// on, in the order people number ports, and two ways to write. Write EEPROM
// (StartJob) writes every unit present at once, each with its own job runner
// and worker, on a thread of its own; Run station (StartStation), until
// stopped, writes each unit by itself as it is plugged in (its own re-plug,
// checked after its last; taking it out readies the port for the next), on
// the station engine the command line's station runs. Both hand out serials
// from the same source and ask the same pre-check. The tally covers every
// unit since the window opened.
//
// While no job runs, Refresh (once a second) looks for the units present: a
// unit that goes away keeps its row while it shows a result, so a unit pulled
// during its job still shows its code, and a unit that arrives on a port
// starts with an empty result. Stop ends a job at once: it releases every
// unit thread waiting on the window and waits for them; each unit still in
// its job then leaves an INTERRUPTED record.
//
// Threads: the presenter belongs to the window's user-interface thread; the
// units reach it only through `calls`, whose calls run there.
class StationPresenter final : private WindowStationDisplay::Rows {
public:
    enum class Mode { WriteAll, RunStation };

    StationPresenter(DeviceBackend& backend, UiCallQueue& calls, StationView& view, StationLook look);
    // Stops a job still running, and says nothing more to the view.
    ~StationPresenter() override;
    StationPresenter(const StationPresenter&) = delete;
    StationPresenter& operator=(const StationPresenter&) = delete;

    // How the units are re-plugged: by the operator (the default), or by
    // switching their hub ports off and on where the hubs can (a unit whose
    // port cannot be switched is left to the operator's prompt).
    void SetReplugMode(ReplugMode mode) { replug_ = mode; }
    // Asked before each unit is touched, in both modes; none: nobody.
    void SetPreCheck(const PreCheck* check) { preCheck_ = check; }
    // The station log each unit's record goes to, before its row shows the
    // result; none by default.
    void SetLog(StationLog* log) { records_ = std::make_unique<RecordKeeper>(log); }
    // Where each unit's serial comes from, in both modes; none keeps each image's own.
    void SetSerials(SerialNumbers* serials) { serials_ = serials; }

    // Looks for the units present now (only while no job runs).
    void Refresh();
    void StartJob();
    void StartStation();
    // Run station takes no more units; its mode ends once the units under
    // way have their results.
    void StopStation();
    // Stops taking units and releases every unit thread that waits on the
    // window; the view hears nothing more of the job but through Stop.
    void Interrupt();
    // Interrupts a running job and waits for it: its units' records are kept,
    // the tally counts them, and the view hears of records not written.
    void Stop();

    Mode CurrentMode() const { return mode_; }
    bool Running() const { return running_; }
    // A unit is being written, or waits to be re-plugged or checked: closing
    // now would spoil it.
    bool UnitsUnderWay() const;
    // Over the window's whole run: a unit that did not end OK (failed,
    // interrupted by a close, or not written at all).
    bool AnyUnitFailed() const { return anyFailed_.load(); }
    // A unit's record could not be written.
    bool LogFailed() const { return records_->Failed(); }
    const StationTally& Tally() const { return tally_; }
    std::string CountersText() const;
    const std::vector<StationRow>& Rows() const { return rows_; }
    // Ports that wait for their next unit with the last one's result in view.
    size_t RowsReadyWithResult() const;

private:
    std::string IdsOf(const PresentDevice& device) const;
    void SortRows();
    void ShowRows(bool onlyChanged = false);
    void UpdateButtons();
    size_t RowOf(size_t index) const;
    // The results of the job that ended, once: on the UI thread when the job
    // thread hands them over, or by Stop once it has joined the thread.
    void FinishJob();
    void ShowJobResults(const std::vector<UnitResult>& results);
    void ShowUnitResult(const UnitResult& unit);
    void StationEnded();

    // WindowStationDisplay::Rows, which only the presenter's own displays see.
    WindowStationDisplay::Rows& AsRows();
    void ShowProgress(size_t index, int percent) override;
    void ShowText(size_t index, const std::string& text) override;
    void ShowState(size_t index, const PortStatus& status) override;
    void AskToReplug(const std::string& text, std::function<void()> answered) override;
    void BindPort(size_t index, const std::string& port) override;

    DeviceBackend& backend_;
    UiCallQueue& calls_;
    StationView& view_;
    const StationLook look_;
    std::vector<StationRow> rows_;
    std::vector<RowShown> shown_;  // as the view last showed the rows
    StationTally tally_;
    Mode mode_ = Mode::WriteAll;
    bool running_ = false;
    ReplugMode replug_ = ReplugMode::Operator;
    SerialNumbers* serials_ = nullptr;
    const PreCheck* preCheck_ = nullptr;
    std::unique_ptr<RecordKeeper> records_ = std::make_unique<RecordKeeper>(nullptr);

    std::atomic<bool> anyFailed_{false};  // set on the job's threads
    std::atomic<bool> stopping_{false};
    std::atomic<bool> stationOn_{false};
    StationPorts stationPorts_;                      // the station's port of each index
    std::unique_ptr<WindowStationDisplay> display_;  // the running job's; outlives its thread
    std::thread job_;
    std::mutex resultsMutex_;
    std::optional<std::vector<UnitResult>> results_;  // the job thread's, not yet finished
};

}  // namespace zt::station
