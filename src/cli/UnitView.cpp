#include "cli/UnitView.h"

#include "cli/TextConsoleView.h"
#include "station/presentation/JsonEvents.h"

namespace zt::cli {

using namespace zt::station;

UnitView::UnitView(std::string port, bool json, std::ostream& out, std::mutex& outMutex, bool showPrompts)
    : port_(std::move(port)), json_(json), showPrompts_(showPrompts), out_(out), outMutex_(outMutex) {
    // Never a redrawn bar: several units share the terminal, so each shows
    // the sparse progress lines of a pipe.
    if (json_)
        inner_ = std::make_unique<JsonEvents>(buffer_);
    else
        inner_ = std::make_unique<TextConsoleView>(buffer_, false);
    inner_->SetUnit(UnitFacts::AtPort(port_));
}

UnitView::~UnitView() = default;

std::string UnitView::Tag(const std::string& line) const {
    // JSON events carry the port themselves (see the constructor).
    if (json_ || port_.empty()) return line;
    return "[" + port_ + "] " + line;
}

void UnitView::Pass() {
    std::string text = buffer_.str();
    const size_t end = text.rfind('\n');
    if (end == std::string::npos) return;
    buffer_.str(text.substr(end + 1));
    buffer_.seekp(0, std::ios::end);
    std::string lines;
    size_t start = 0;
    while (start <= end) {
        const size_t next = text.find('\n', start);
        lines += Tag(text.substr(start, next - start)) + '\n';
        start = next + 1;
    }
    std::lock_guard lock(outMutex_);
    out_ << lines << std::flush;
}

void UnitView::Info(const std::string& text) {
    inner_->Info(text);
    Pass();
}
void UnitView::ArrivedElsewhere(const std::string& arrivedPort, const std::string& waitingPort) {
    inner_->ArrivedElsewhere(arrivedPort, waitingPort);
    Pass();
}
void UnitView::Progress(int percent) {
    inner_->Progress(percent);
    Pass();
}
void UnitView::Marker(const std::string& text) {
    inner_->Marker(text);
    Pass();
}
void UnitView::Message(const std::string& text, const std::string& caption) {
    inner_->Message(text, caption);
    Pass();
}
void UnitView::Prompt(const std::string& text, bool automatic) {
    if (!showPrompts_) return;
    inner_->Prompt(text, automatic);
    Pass();
}
void UnitView::Version(const std::string& status, const std::optional<std::string>& version) {
    inner_->Version(status, version);
    Pass();
}
void UnitView::Device(const PresentDevice& device) {
    inner_->Device(device);
    Pass();
}
void UnitView::SetUnit(const UnitFacts& unit) {
    UnitFacts facts = unit;
    facts.port = port_;
    inner_->SetUnit(facts);
}
void UnitView::State(const PortStatus& status) {
    inner_->State(status);
    Pass();
}

void UnitView::Result(const JobOutcome& outcome) {
    inner_->Result(outcome);
    Pass();
}

}  // namespace zt::cli
