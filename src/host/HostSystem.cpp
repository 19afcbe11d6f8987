#include "host/HostSystem.h"

#if defined(ZT_HAVE_POSIX_SYSTEM)
#include "host/posix/PosixAppendOnlyFile.h"
#include "host/posix/PosixAtomicFileWriter.h"
#include "host/posix/PosixChildProcess.h"
#include "host/posix/PosixFileIdentity.h"
#include "host/posix/PosixFileLock.h"
#include "host/posix/PosixHostIdentity.h"
#include "host/posix/PosixInterruptCatch.h"
#include "host/posix/PosixOperatorLocale.h"
#include "host/posix/PosixRegularFile.h"
#include "host/posix/PosixStandardInput.h"
#include "host/posix/PosixStandardStreams.h"
#include "host/posix/PosixStateFolder.h"
#include "host/posix/PosixSystemJournal.h"
namespace zt {
namespace host = host_posix;
using HostAppendOnlyFile = host::PosixAppendOnlyFile;
using HostAtomicFileWriter = host::PosixAtomicFileWriter;
using HostFileLock = host::PosixFileLock;
using HostHostIdentity = host::PosixHostIdentity;
using HostInterruptCatch = host::PosixInterruptCatch;
using HostStandardInputImpl = host::PosixStandardInput;
using HostStandardStreamsImpl = host::PosixStandardStreams;
}  // namespace zt
#elif defined(ZT_HAVE_WINDOWS_SYSTEM)
#include "host/windows/WindowsAppendOnlyFile.h"
#include "host/windows/WindowsAtomicFileWriter.h"
#include "host/windows/WindowsChildProcess.h"
#include "host/windows/WindowsFileIdentity.h"
#include "host/windows/WindowsFileLock.h"
#include "host/windows/WindowsHostIdentity.h"
#include "host/windows/WindowsInterruptCatch.h"
#include "host/windows/WindowsOperatorLocale.h"
#include "host/windows/WindowsRegularFile.h"
#include "host/windows/WindowsStandardInput.h"
#include "host/windows/WindowsStandardStreams.h"
#include "host/windows/WindowsStateFolder.h"
#include "host/windows/WindowsSystemJournal.h"
namespace zt {
namespace host = host_windows;
using HostAppendOnlyFile = host::WindowsAppendOnlyFile;
using HostAtomicFileWriter = host::WindowsAtomicFileWriter;
using HostFileLock = host::WindowsFileLock;
using HostHostIdentity = host::WindowsHostIdentity;
using HostInterruptCatch = host::WindowsInterruptCatch;
using HostStandardInputImpl = host::WindowsStandardInput;
using HostStandardStreamsImpl = host::WindowsStandardStreams;
}  // namespace zt
#else
#error "no implementation of the host system for this build"
#endif
#if defined(ZT_HAVE_MQTT)
#include "host/mqtt/MosquittoClient.h"
#endif

namespace zt {

StandardStreams& HostStandardStreams() {
    static HostStandardStreamsImpl streams;
    return streams;
}

StandardInput& HostStandardInput() {
    static HostStandardInputImpl input;
    return input;
}

AtomicFileWriter& HostFiles() {
    static HostAtomicFileWriter files;
    return files;
}

const HostIdentity& ThisHost() {
    static const HostHostIdentity host;
    return host;
}

std::unique_ptr<AppendOnlyFile> OpenAppendOnlyFile(const std::string& path, std::string* error) {
    return HostAppendOnlyFile::Open(path, error);
}

std::unique_ptr<FileLock> LockFileExclusively(const std::string& path, uint32_t waitMs, std::string* error) {
    return HostFileLock::Take(path, waitMs, error);
}

std::string StateFolder() { return host::StateFolder(); }

std::string OperatorLocale() { return host::OperatorLocale(); }

std::unique_ptr<SystemJournal> OpenSystemJournal(std::string* error) {
#if defined(ZT_HAVE_POSIX_SYSTEM)
    return host::PosixSystemJournal::Open(error);
#else
    return host::OpenWindowsSystemJournal(error);
#endif
}

RegularFileContents ReadRegularFile(const std::string& path, size_t maxBytes) {
    return host::ReadRegularFile(path, maxBytes);
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) { return host::IdentifyFile(path); }

std::unique_ptr<MqttClient> OpenMqttClient(const MqttSettings& settings, MqttClient::Handlers handlers,
                                           std::string* error) {
#if defined(ZT_HAVE_MQTT)
    return host_mqtt::OpenMosquittoClient(settings, std::move(handlers), error);
#else
    (void)settings;
    (void)handlers;
    *error = "MQTT is not available in this build of zt51xx-mp (it was built without an MQTT client library)";
    return nullptr;
#endif
}

std::unique_ptr<InterruptCatch> CatchInterrupts(InterruptCatch::Handler handler) {
    return std::make_unique<HostInterruptCatch>(handler);
}

ChildOutcome RunChildProcess(const ChildRequest& request) { return host::RunChild(request); }

}  // namespace zt
