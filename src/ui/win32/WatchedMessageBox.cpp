#include "ui/win32/WatchedMessageBox.h"

#include "host/windows/WideText.h"

namespace zt::win32 {

namespace {

// The box being shown on this thread and who wants to hear of it: a CBT hook
// sees the box's window when it is activated, before the operator can answer.
struct BoxWatch {
    std::function<void(HWND)> shown;
    HWND* openBox = nullptr;
    HHOOK hook = nullptr;
    bool announced = false;
};
thread_local BoxWatch* currentBox = nullptr;

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
    BoxWatch* watch = currentBox;
    if (code == HCBT_ACTIVATE && watch && !watch->announced) {
        watch->announced = true;
        *watch->openBox = reinterpret_cast<HWND>(wParam);
        if (watch->shown) watch->shown(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(watch ? watch->hook : nullptr, code, wParam, lParam);
}

}  // namespace

int ShowWatchedMessageBox(HWND owner, const std::string& text, const char* caption, UINT flags,
                          const std::function<void(HWND)>& shown, HWND& openBox) {
    BoxWatch watch;
    watch.shown = shown;
    watch.openBox = &openBox;
    const HWND outerBox = openBox;
    watch.hook = SetWindowsHookExW(WH_CBT, &BoxHook, nullptr, GetCurrentThreadId());
    BoxWatch* outer = currentBox;
    currentBox = &watch;
    const int answer =
        MessageBoxW(owner, host_windows::ToWide(text).c_str(), host_windows::ToWide(caption).c_str(), flags);
    currentBox = outer;
    if (watch.hook) UnhookWindowsHookEx(watch.hook);
    openBox = outerBox;
    return answer;
}

}  // namespace zt::win32
