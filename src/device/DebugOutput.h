#pragma once
#include <functional>
#include <string_view>

namespace zt {

// The tool's only diagnostic text goes here. By default it is written to the
// standard error stream; a front end or a test may take it instead. Callable
// from any thread.
void DebugOutput(std::string_view text);

// Replaces where DebugOutput's text goes; an empty sink restores the default.
void SetDebugOutputSink(std::function<void(std::string_view)> sink);

}  // namespace zt
