#include "host/windows/WindowsChildProcess.h"

#include <windows.h>

#include <thread>
#include <vector>

#include "host/windows/WideText.h"

namespace zt::host_windows {

namespace {

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE* put() { return &handle_; }
    void Close() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

std::string SystemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? ToUtf8(std::wstring_view(text, length)) : "error " + std::to_string(error);
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

ChildOutcome NotStarted(const std::string& why) {
    ChildOutcome outcome;
    outcome.kind = ChildOutcome::Kind::NotStarted;
    outcome.reason = why;
    return outcome;
}

// Reads the pipe to its end, keeping at most `cap` bytes.
void ReadAll(HANDLE pipe, std::string* kept, size_t cap, bool* cut) {
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        const size_t room = cap > kept->size() ? cap - kept->size() : 0;
        kept->append(buffer, std::min<size_t>(room, got));
        if (got > room && cut) *cut = true;
    }
}

// A pipe whose one end the program inherits.
bool MakePipe(Handle& read, Handle& write, bool childReads, DWORD size) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!::CreatePipe(read.put(), write.put(), &inherit, size)) return false;
    return ::SetHandleInformation(childReads ? write.get() : read.get(), HANDLE_FLAG_INHERIT, 0) != 0;
}

// Our ends and the program's of its three standard streams.
struct ChildPipes {
    Handle inRead, inWrite, outRead, outWrite, errRead, errWrite;

    bool Open(const ChildRequest& request) {
        // The input fits the pipe whole, so it is written before the program
        // reads a byte and never blocks the tool.
        const DWORD inSize = static_cast<DWORD>(std::max<size_t>(request.input.size() + 1, 4096));
        return MakePipe(inRead, inWrite, true, inSize) && MakePipe(outRead, outWrite, false, 0) &&
               MakePipe(errRead, errWrite, false, 0);
    }
};

// Starts `cmd /c command` on the pipes, in `job`; "" when it runs, else why
// not.
std::string StartInJob(const ChildRequest& request, ChildPipes& pipes, Handle& job, Handle& processHandle) {
    // Only its own three ends go to the program, whatever else this process
    // has open for inheriting at the moment.
    HANDLE inherited[] = {pipes.inRead.get(), pipes.outWrite.get(), pipes.errWrite.get()};
    SIZE_T attributeSize = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &attributeSize);
    std::vector<char> attributeBytes(attributeSize);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeBytes.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &attributeSize))
        return "cannot prepare it: " + SystemText(::GetLastError());
    struct AttributeList {
        LPPROC_THREAD_ATTRIBUTE_LIST list;
        ~AttributeList() { ::DeleteProcThreadAttributeList(list); }
    } listGuard{attributes};
    if (!::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                     sizeof inherited, nullptr, nullptr))
        return "cannot prepare it: " + SystemText(::GetLastError());

    // What it starts belongs to the job and ends with it.
    *job.put() = ::CreateJobObjectW(nullptr, nullptr);
    if (!job.get()) return "no job object for it: " + SystemText(::GetLastError());
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = pipes.inRead.get();
    startup.StartupInfo.hStdOutput = pipes.outWrite.get();
    startup.StartupInfo.hStdError = pipes.errWrite.get();
    startup.lpAttributeList = attributes;
    wchar_t system[MAX_PATH];
    const UINT systemLength = ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring shell =
        (systemLength > 0 && systemLength < MAX_PATH ? std::wstring(system, systemLength)
                                                     : L"C:\\Windows\\System32") +
        L"\\cmd.exe";
    std::wstring commandLine = L"cmd.exe /c " + ToWide(request.command);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(shell.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                          nullptr, &startup.StartupInfo, &process))
        return "cmd.exe cannot be started: " + SystemText(::GetLastError());
    *processHandle.put() = process.hProcess;
    Handle threadHandle(process.hThread);
    ::AssignProcessToJobObject(job.get(), processHandle.get());
    ::ResumeThread(threadHandle.get());
    pipes.inRead.Close();
    pipes.outWrite.Close();
    pipes.errWrite.Close();
    return "";
}

}  // namespace

ChildOutcome RunChild(const ChildRequest& request) {
    ChildPipes pipes;
    if (!pipes.Open(request)) return NotStarted("no pipe for it: " + SystemText(::GetLastError()));
    Handle job, processHandle;
    if (const std::string why = StartInJob(request, pipes, job, processHandle); !why.empty())
        return NotStarted(why);

    DWORD written = 0;
    if (!request.input.empty())
        ::WriteFile(pipes.inWrite.get(), request.input.data(), static_cast<DWORD>(request.input.size()),
                    &written, nullptr);
    pipes.inWrite.Close();

    ChildOutcome outcome;
    std::thread outReader(ReadAll, pipes.outRead.get(), &outcome.out, request.outputCap, &outcome.outCut);
    std::thread errReader(ReadAll, pipes.errRead.get(), &outcome.err, request.outputCap, nullptr);
    const DWORD waited = ::WaitForSingleObject(
        processHandle.get(), static_cast<DWORD>(std::min<long long>(request.timeout.count(), INFINITE - 1)));
    const bool timedOut = waited != WAIT_OBJECT_0;
    if (timedOut) {
        ::TerminateJobObject(job.get(), 1);
        ::WaitForSingleObject(processHandle.get(), INFINITE);
    }
    // Whatever it left running goes with the job, and with it the last
    // writers of the pipes: the readers see their ends.
    job.Close();
    outReader.join();
    errReader.join();
    if (timedOut) {
        outcome.kind = ChildOutcome::Kind::TimedOut;
        outcome.reason = "no answer within " + std::to_string(request.timeout.count()) + " ms; it was killed";
        return outcome;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(processHandle.get(), &code);
    outcome.kind = ChildOutcome::Kind::Exited;
    outcome.exitCode = static_cast<int>(code);
    return outcome;
}

}  // namespace zt::host_windows
