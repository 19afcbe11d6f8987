#pragma once
#include <memory>
#include <string>

#include "host/AppendOnlyFile.h"
#include "host/AtomicFileWriter.h"
#include "host/HostIdentity.h"
#include "host/InterruptCatch.h"
#include "host/RegularFile.h"
#include "host/StandardInput.h"
#include "host/StandardStreams.h"
#include "host/SystemJournal.h"

namespace zt {

// The one place that knows which system this build runs on, for what the
// front ends and the station need of the process's own surroundings: its
// standard streams, its files, its signals and the machine's name. The
// objects returned by reference live as long as the process.

StandardStreams& HostStandardStreams();
StandardInput& HostStandardInput();
AtomicFileWriter& HostFiles();
const HostIdentity& ThisHost();

// The file at `path` opened for appending (created when missing); null with
// the system's reason in `error`.
std::unique_ptr<AppendOnlyFile> OpenAppendOnlyFile(const std::string& path, std::string* error);

// The system's journal (host/SystemJournal.h); null with the reason in
// `error` where there is none to reach.
std::unique_ptr<SystemJournal> OpenSystemJournal(std::string* error);

// The regular file at `path`, read whole when it holds at most `maxBytes`
// (host/RegularFile.h). Never blocks on a FIFO or reads a device.
RegularFileContents ReadRegularFile(const std::string& path, size_t maxBytes);

// Catches Ctrl-C and requests to terminate until the returned object goes
// (host/InterruptCatch.h). Catches may nest; the inner one's handler is
// called while it lives.
std::unique_ptr<InterruptCatch> CatchInterrupts(InterruptCatch::Handler handler);

}  // namespace zt
