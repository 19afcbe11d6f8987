#pragma once

namespace zt::cli {

// Called first thing in main, before anything opens a file or a socket.
//
// A descriptor 0, 1 or 2 that the caller left closed ("<&-", ">&-") would be
// handed to the next thing we open: the device-notice socket would become
// standard input and the re-plug prompt would read uevents, or the console
// text would go into it. Each closed one gets /dev/null instead.
//
// A reader that goes away (a pipe into "head -1") must not kill a job in the
// middle of writing a chip: SIGPIPE is ignored, a broken stream only fails its
// writes (the stream stops printing), and the job runs on to its outcome.
void ProtectStandardStreams();

// The width of the terminal on standard output when it can redraw lines in
// place (it takes cursor moves); 0 when standard output is a pipe, a file or
// a terminal that cannot.
int RedrawableTerminalColumns();

}  // namespace zt::cli
