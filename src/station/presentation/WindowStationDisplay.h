#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "station/presentation/UiCallQueue.h"
#include "station/run/StationDisplay.h"

namespace zt::station {

// Several units written at once, shown as the rows of a window: every call of
// a unit's view, and the one re-plug prompt, is handed to `rows` on the
// user-interface thread through `calls`. The units' threads wait until their
// call has been handled there, so a row never shows a step its job has
// already left behind; once `calls` is closing they no longer wait and
// nothing is shown. The Qt and the Win32 station windows both show their
// rows through it.
class WindowStationDisplay final : public StationDisplay {
public:
    // What the window does with the calls; every method runs on the
    // user-interface thread. `index` is the unit's place in the job.
    class Rows {
    public:
        virtual ~Rows() = default;
        virtual void ShowProgress(size_t index, int percent) = 0;
        // The last thing the unit's job said: its result box, or a notice.
        virtual void ShowText(size_t index, const std::string& text) = 0;
        // Where the unit stands now (see PortLine, which keeps a row's
        // result in view until its port's next unit starts).
        virtual void ShowState(size_t index, const PortStatus& status) {
            (void)index;
            (void)status;
        }
        // Puts up the prompt; `answered` runs once the operator has answered.
        virtual void AskToReplug(const std::string& text, std::function<void()> answered) = 0;
        // A station that meets ports as units arrive names each index's port
        // before its first call.
        virtual void BindPort(size_t index, const std::string& port) {
            (void)index;
            (void)port;
        }
    };

    WindowStationDisplay(UiCallQueue& calls, Rows& rows);
    ~WindowStationDisplay() override;

    ConsoleView& ViewOf(size_t index, const std::string& port) override;
    void ReplugPrompt(const std::string& text) override;

    class RowView;

private:
    UiCallQueue& calls_;
    Rows& rows_;
    std::mutex viewsMutex_;
    std::vector<std::unique_ptr<RowView>> views_;
};

}  // namespace zt::station
