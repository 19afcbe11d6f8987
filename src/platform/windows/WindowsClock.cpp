#include "platform/windows/WindowsClock.h"

#include <windows.h>
// timeapi.h needs the types windows.h declares.
#include <timeapi.h>

namespace zt::platform_windows {

namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD CREATE_WAITABLE_TIMER_HIGH_RESOLUTION = 0x00000002;
#endif

// Waking up is late by up to a few hundred microseconds; that much of each
// pause is waited out on the CPU.
constexpr int64_t kSpinTailUs = 250;

HANDLE MakeHighResolutionTimer() {
    return CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
}

// One timer per thread: a waitable timer is a single deadline, and the worker
// and the user-interface thread may pause at the same time.
struct ThreadTimer {
    HANDLE handle = MakeHighResolutionTimer();
    ~ThreadTimer() {
        if (handle) CloseHandle(handle);
    }
};

int64_t Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

}  // namespace

WindowsClock::WindowsClock() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    frequency_ = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
    const HANDLE probe = MakeHighResolutionTimer();
    highResolution_ = probe != nullptr;
    if (probe) CloseHandle(probe);
    if (!highResolution_) raisedPeriod_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

WindowsClock::~WindowsClock() {
    if (raisedPeriod_) timeEndPeriod(1);
}

void WindowsClock::SleepMs(uint32_t ms) {
    const int64_t start = Counter();
    const int64_t deadline = start + static_cast<int64_t>(ms) * frequency_ / 1000;
    const int64_t spinTail = kSpinTailUs * frequency_ / 1000000;

    const int64_t sleepUntil = deadline - spinTail;
    if (sleepUntil > start) {
        thread_local ThreadTimer timer;
        const int64_t sleepUs = (sleepUntil - start) * 1000000 / frequency_;
        if (highResolution_ && timer.handle) {
            LARGE_INTEGER due;
            due.QuadPart = -sleepUs * 10;  // relative, in 100 ns units
            if (SetWaitableTimerEx(timer.handle, &due, 0, nullptr, nullptr, nullptr, 0))
                WaitForSingleObject(timer.handle, INFINITE);
        } else {
            Sleep(static_cast<DWORD>(sleepUs / 1000));
        }
    }
    while (Counter() < deadline) YieldProcessor();
}

uint64_t WindowsClock::NowUs() const {
    const int64_t now = Counter();
    return static_cast<uint64_t>(now / frequency_ * 1000000 + now % frequency_ * 1000000 / frequency_);
}

}  // namespace zt::platform_windows
