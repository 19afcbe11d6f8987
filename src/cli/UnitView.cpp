#include "cli/UnitView.h"

#include <nlohmann/json.hpp>

#include "cli/JsonEvents.h"
#include "cli/TextConsoleView.h"

namespace zt::cli {

UnitView::UnitView(std::string port, bool json, std::ostream& out, std::mutex& outMutex, bool showPrompts)
    : port_(std::move(port)), json_(json), showPrompts_(showPrompts), out_(out), outMutex_(outMutex) {
    // Never a redrawn bar: several units share the terminal, so each shows
    // the sparse progress lines of a pipe.
    if (json_)
        inner_ = std::make_unique<JsonEvents>(buffer_);
    else
        inner_ = std::make_unique<TextConsoleView>(buffer_, false);
}

UnitView::~UnitView() = default;

std::string UnitView::Tag(const std::string& line) const {
    if (!json_) return port_.empty() ? line : "[" + port_ + "] " + line;
    const auto event = nlohmann::ordered_json::parse(line, nullptr, false);
    if (!event.is_object()) return line;
    // "port" right after "event", whatever the event's own members are.
    nlohmann::ordered_json tagged;
    if (event.contains("event")) tagged["event"] = event["event"];
    tagged["port"] = port_;
    for (const auto& [key, value] : event.items())
        if (key != "event" && key != "port") tagged[key] = value;
    return tagged.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
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
void UnitView::Result(const JobOutcome& outcome) {
    inner_->Result(outcome);
    Pass();
}

}  // namespace zt::cli
