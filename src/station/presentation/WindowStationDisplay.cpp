#include "station/presentation/WindowStationDisplay.h"

namespace zt::station {

// One unit's row. Its job's own prompts are not shown: the display asks once
// for every unit. The result comes from the job's results, not from here.
class WindowStationDisplay::RowView final : public ConsoleView {
public:
    RowView(WindowStationDisplay& display, size_t index) : display_(display), index_(index) {}

    void Info(const std::string& text) override { Show(text); }
    void Progress(int percent) override {
        {
            // The job sets the bar a few thousand times, mostly to where it
            // already stands; only a change is worth a wait for the window.
            std::lock_guard lock(mutex_);
            if (percent == percent_) return;
            percent_ = percent;
        }
        display_.calls_.Run([this, percent] { display_.rows_.ShowProgress(index_, percent); });
    }
    void Marker(const std::string&) override {}
    void Message(const std::string& text, const std::string&) override { Show(text); }
    void Prompt(const std::string&, bool) override {}
    void Version(const std::string&, const std::optional<std::string>&) override {}
    void Device(const PresentDevice&) override {}
    void Result(const JobOutcome&) override {}
    void State(const PortStatus& status) override {
        display_.calls_.Run([this, status] { display_.rows_.ShowState(index_, status); });
    }

private:
    void Show(const std::string& text) {
        display_.calls_.Run([this, text] { display_.rows_.ShowText(index_, text); });
    }

    WindowStationDisplay& display_;
    const size_t index_;
    std::mutex mutex_;
    int percent_ = -1;
};

WindowStationDisplay::WindowStationDisplay(UiCallQueue& calls, Rows& rows) : calls_(calls), rows_(rows) {}

WindowStationDisplay::~WindowStationDisplay() = default;

ConsoleView& WindowStationDisplay::ViewOf(size_t index, const std::string& port) {
    calls_.Run([this, index, port] { rows_.BindPort(index, port); });
    std::lock_guard lock(viewsMutex_);
    if (views_.size() <= index) views_.resize(index + 1);
    if (!views_[index]) views_[index] = std::make_unique<RowView>(*this, index);
    return *views_[index];
}

void WindowStationDisplay::ReplugPrompt(const std::string& text) {
    calls_.RunUntilDone([this, text](UiCallQueue::Done done) { rows_.AskToReplug(text, std::move(done)); });
}

}  // namespace zt::station
