#include "cli/TextConsoleView.h"

#include <cstdlib>

#include "chip/HexId.h"
#include "platform/UsbPortName.h"
#include "station/operator/JobBoxText.h"
#include "station/operator/OperatorText.h"
#include "station/operator/TerminalText.h"
#include "station/ports/PortStatus.h"

namespace zt::cli {

namespace {
constexpr int kBarWidth = 40;
constexpr int kLineStep = 10;  // percent between progress lines off a terminal
}  // namespace

void TextConsoleView::EndBarLine() {
    if (!barOnLine_) return;
    out_ << '\n';
    barOnLine_ = false;
}

void TextConsoleView::Info(const std::string& text) {
    EndBarLine();
    out_ << text << '\n' << std::flush;
}

void TextConsoleView::State(const PortStatus& status) {
    if (status.phase != PortPhase::Ready && status.phase != PortPhase::Replug) return;
    EndBarLine();
    out_ << PortStatusText(status) << '\n' << std::flush;
}

void TextConsoleView::Progress(int percent) {
    if (percent == lastShown_) return;
    if (terminal_) {
        const int filled = percent * kBarWidth / 100;
        out_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
             << std::string(static_cast<size_t>(kBarWidth - filled), '.') << "] ";
        out_.width(3);
        out_ << percent << "%" << std::flush;
        barOnLine_ = true;
        lastShown_ = percent;
        return;
    }
    // Off a terminal: the start, the end, and every ten percent in between
    // (the read-back starts again at 49 and a rewrite pass at 0).
    const bool edge = (percent == 0 || percent == 100);
    if (edge || std::abs(percent - lastShown_) >= kLineStep) {
        out_ << "progress: " << percent << "%\n" << std::flush;
        lastShown_ = percent;
    }
}

void TextConsoleView::Marker(const std::string& text) {
    EndBarLine();
    out_ << "marker: " << text << '\n' << std::flush;
}

void TextConsoleView::Message(const std::string& text, const std::string&) {
    EndBarLine();
    out_ << station::JobBoxText(text) << '\n' << std::flush;
}

void TextConsoleView::Prompt(const std::string& text, bool automatic) {
    EndBarLine();
    out_ << station::JobBoxText(text) << '\n'
         << (automatic ? station::OperatorText("Station", "(continuing by itself)")
                       : station::OperatorText("Station", "Press Enter to continue..."))
         << '\n'
         << std::flush;
}

void TextConsoleView::Version(const std::string& status, const std::optional<std::string>& version) {
    EndBarLine();
    out_ << "status: " << status << '\n';
    if (version) out_ << "version: " << *version << '\n';
    out_ << std::flush;
}

void TextConsoleView::Device(const PresentDevice& device) {
    EndBarLine();
    // One line per unit: port, IDs, role, release, serial, node.
    out_ << (device.port.empty() ? kPortUnknownText : device.port) << "  " << FormatHexId(device.vendorId)
         << ':' << FormatHexId(device.productId) << "  " << (device.updater ? "updater" : "normal");
    if (device.described) out_ << "  bcd " << FormatHexId(device.bcdDevice);
    if (!device.serial.empty()) out_ << "  serial " << station::ForTerminal(device.serial);
    out_ << "  " << device.path;
    if (!device.openable) out_ << "  (cannot be opened)";
    out_ << '\n' << std::flush;
}

void TextConsoleView::Result(const JobOutcome& outcome) {
    EndBarLine();
    out_ << "result: " << station::ResultWithCode(outcome) << '\n' << std::flush;
}

}  // namespace zt::cli
