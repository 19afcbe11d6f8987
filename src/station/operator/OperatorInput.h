#pragma once
#include <functional>
#include <istream>
#include <optional>
#include <string>

namespace zt::station {

// The operator's answers: lines typed on standard input (or read from a given
// stream in tests and scripts). Waiting can be cancelled, so a Ctrl-C or the
// close procedure never leaves the worker stuck in a prompt.
class OperatorInput {
public:
    // `stream` null: the process's standard input (host/StandardInput.h),
    // read without buffering so that a wait can end between keystrokes.
    explicit OperatorInput(std::istream* stream) : stream_(stream) {}

    // The longest line taken whole; a longer one comes in pieces.
    static constexpr size_t kMaxLine = 1024;

    // One line without its line break, at most the first kMaxLine bytes of a
    // longer one (then `cut`, when given, is set, and the rest comes with the
    // following calls). nullopt at end of input, on a read error, or when
    // `cancelled` turned true while waiting (checked often).
    std::optional<std::string> ReadLine(const std::function<bool()>& cancelled, bool* cut = nullptr);

private:
    std::istream* stream_;
};

}  // namespace zt::station
