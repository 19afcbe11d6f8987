#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/AppendOnlyFile.h"
#include "host/AtomicFileWriter.h"
#include "host/ChildProcess.h"
#include "host/FileIdentity.h"
#include "host/FileLock.h"
#include "host/HostIdentity.h"
#include "host/InterruptCatch.h"
#include "host/MqttClient.h"
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

// An exclusive lock on the file at `path` (created when missing) across
// processes (host/FileLock.h), waited for at most `waitMs`; null with the
// reason in `error` when it could not be taken.
std::unique_ptr<FileLock> LockFileExclusively(const std::string& path, uint32_t waitMs, std::string* error);

// The folder for what the tool keeps across runs (the serial ledger): the
// ZT_STATE_DIR environment variable when set; else a system-wide folder made
// for installed stations when this user may write to it (/var/lib/zt51xx-mp,
// %PROGRAMDATA%\zt51xx-mp); else the user's own ($XDG_STATE_HOME/zt51xx-mp,
// ~/.local/state/zt51xx-mp, %LOCALAPPDATA%\zt51xx-mp). It may not exist yet;
// "" when the system names none.
std::string StateFolder();

// The locale the operator reads messages in, as the system names it: on
// POSIX the first of LC_ALL, LC_MESSAGES and LANG that is set ("zh_CN.UTF-8",
// "C"), on Windows the user's display language ("zh-CN"); "" when none is.
std::string OperatorLocale();

// The system's journal (host/SystemJournal.h); null with the reason in
// `error` where there is none to reach.
std::unique_ptr<SystemJournal> OpenSystemJournal(std::string* error);

// The regular file at `path`, read whole when it holds at most `maxBytes`
// (host/RegularFile.h). Never blocks on a FIFO or reads a device.
RegularFileContents ReadRegularFile(const std::string& path, size_t maxBytes);

// The identity of the file `path` names, through any link (host/FileIdentity.h);
// none when there is no such file or it cannot be looked at.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

// A client of the MQTT broker `settings` name (host/MqttClient.h), not yet
// connected; null with the reason in `error`, also where this build has no
// MQTT client.
std::unique_ptr<MqttClient> OpenMqttClient(const MqttSettings& settings, MqttClient::Handlers handlers,
                                           std::string* error);

// Catches Ctrl-C and requests to terminate until the returned object goes
// (host/InterruptCatch.h). Catches may nest; the inner one's handler is
// called while it lives.
std::unique_ptr<InterruptCatch> CatchInterrupts(InterruptCatch::Handler handler);

// Runs the program `request` names through the system's shell, feeds it,
// and waits for it at most its time-out (host/ChildProcess.h). Safe from any
// thread; several may run at once.
ChildOutcome RunChildProcess(const ChildRequest& request);

}  // namespace zt
