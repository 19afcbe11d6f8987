#pragma once
#include <functional>
#include <optional>
#include <string>

namespace zt {

// The operator's keyboard: the process's standard input, read so that a wait
// for the next line can be given up between keystrokes.
class StandardInput {
public:
    virtual ~StandardInput() = default;

    // One line without its line break, at most the first 1024 bytes of a
    // longer one (input that never ends a line, such as /dev/zero, must not
    // keep a prompt waiting). A last line without a break counts. nullopt at
    // end of input with nothing read, on a read error, or once `cancelled`
    // returns true; it is asked before the first wait and at least every
    // 50 ms while waiting. Blocks the calling thread; one reader at a time.
    // `cut`, when given, says whether the limit ended the line rather than
    // its break: the rest of it comes with the following calls.
    virtual std::optional<std::string> ReadLine(const std::function<bool()>& cancelled, bool* cut) = 0;
    std::optional<std::string> ReadLine(const std::function<bool()>& cancelled) {
        return ReadLine(cancelled, nullptr);
    }
};

}  // namespace zt
