#pragma once
#include <chrono>
#include <cstddef>
#include <string>

namespace zt {

// A short program the tool starts, feeds and waits for: a command line the
// user gave, run by the system's shell (`/bin/sh -c COMMAND` on POSIX
// systems, `cmd /c COMMAND` on Windows), with `input` on its standard input.
struct ChildRequest {
    std::string command;
    std::string input;
    // Real time from the start until the program is killed.
    std::chrono::milliseconds timeout{10000};
    // At most this much of each of standard output and standard error is
    // kept; the rest is read and dropped, so a talkative program neither
    // fills the tool's memory nor blocks on a full pipe.
    size_t outputCap = 64 * 1024;
};

// How the program ended and what it said.
struct ChildOutcome {
    enum class Kind {
        Exited,      // it ended by itself: `exitCode` is its exit status
        Crashed,     // a signal (POSIX; its number in `exitCode`) ended it
        TimedOut,    // still running at the time-out: it and what it started were killed
        NotStarted,  // it could not be started; `reason` says why
    };
    Kind kind = Kind::NotStarted;
    int exitCode = 0;
    std::string out, err;
    bool outCut = false;  // standard output was longer than the cap
    std::string reason;

    bool Succeeded() const { return kind == Kind::Exited && exitCode == 0; }
};

}  // namespace zt
