#pragma once

namespace zt {

enum class StandardStream { Input, Output, Error };

// The process's standard streams as a console front end uses them.
class StandardStreams {
public:
    virtual ~StandardStreams() = default;

    // Called first thing in main, before anything opens a file or a socket.
    //
    // A standard descriptor that the caller left closed ("<&-", ">&-") must
    // not be handed to the next thing we open: the device-notice socket would
    // become standard input and the re-plug prompt would read uevents, or the
    // console text would go into it. Each closed one reads or writes nothing
    // instead.
    //
    // A reader that goes away (a pipe into "head -1") must not kill a job in
    // the middle of writing a chip: a broken stream only fails its writes (the
    // stream stops printing), and the job runs on to its outcome.
    virtual void ProtectStandardStreams() = 0;

    // The width of the terminal on standard output when it can redraw lines
    // in place (it takes cursor moves); 0 when standard output is a pipe, a
    // file or a terminal that cannot. May switch the terminal into the mode
    // that takes them.
    virtual int RedrawableTerminalColumns() = 0;

    // True when `stream` is a terminal, where an operator reads or types; false
    // for a pipe, a file or a device.
    virtual bool IsTerminal(StandardStream stream) = 0;

    // The width of the terminal on standard output; 0 when it is none or does
    // not tell.
    virtual int TerminalColumns() = 0;

    // The height of that terminal in lines; 0 when it is none or does not
    // tell. Asked again at each redraw, it follows the window as it is resized.
    virtual int TerminalLines() = 0;
};

}  // namespace zt
