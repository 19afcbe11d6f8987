#pragma once
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace zt::cli {

// How a command ended, as the last line of its output says it.
enum class ResultKind { Ok, Failed, Interrupted, Cancelled };

// A result code as the failure message shows it: eight upper-case hex digits.
inline std::string FormatResultCode(uint32_t code) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", code);
    return text;
}

inline const char* ResultName(ResultKind kind) {
    switch (kind) {
        case ResultKind::Ok: return "OK";
        case ResultKind::Failed: return "FAIL";
        case ResultKind::Interrupted: return "INTERRUPTED";
        case ResultKind::Cancelled: return "CANCELLED";
    }
    return "FAIL";
}

// A known device found on the bus.
struct PresentDevice {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string path;
    bool updater = false;
};

// What the operator (or a station script) sees of a command: the dialog's
// progress bar, marker and message boxes, the prompts, and the outcome. The
// console window calls it from the user-interface thread and from the
// worker, one call at a time (it holds its own lock around every call).
class ConsoleView {
public:
    virtual ~ConsoleView() = default;
    virtual void Info(const std::string& text) = 0;
    virtual void Progress(int percent) = 0;
    virtual void Marker(const std::string& text) = 0;
    virtual void Message(const std::string& text, const std::string& caption) = 0;
    // `automatic`: answered by --yes instead of the operator's Enter.
    virtual void Prompt(const std::string& text, bool automatic) = 0;
    virtual void Version(const std::string& status, const std::string& version) = 0;
    virtual void Device(const PresentDevice& device) = 0;
    virtual void Result(ResultKind kind, std::optional<uint32_t> code) = 0;
};

}  // namespace zt::cli
