#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "job/JobObserver.h"
#include "platform/DeviceNotices.h"

namespace zt {

enum class MessageBoxIcon { None, Information };

// The dialog's window, as the dialog object sees it: controls addressed by
// their identifier in template 102. A front end (Qt, Win32, a test double)
// builds its window from DialogTemplate and implements this.
//
// Threads: the dialog calls these from the user-interface thread and from the
// worker thread. A call from the worker must run on the user-interface thread
// and return only when it has been handled there, like a synchronous window
// message. ShowMessageBox blocks only its caller until the operator dismisses
// the box; the box is owned by the dialog's window. An empty caption means the
// application's own name. The boxes have one button, OK; the result is 1.
//
// The window also hears the job's events (the JobObserver's re-plug request
// and what happened, as values), passed on by the dialog before it shows
// its own box for them; what the job shows on the controls the dialog puts
// there itself.
class DialogWindow : public DeviceNoticeRecipient, public JobObserver {
public:
    virtual void SetWindowTitle(const std::string& title) = 0;
    virtual void SetControlText(int id, const std::string& text) = 0;
    virtual std::string GetControlText(int id) = 0;
    virtual void EnableControl(int id, bool enable) = 0;
    virtual void ShowControl(int id, bool show) = 0;
    virtual void SetProgressRange(int id, int minimum, int maximum) = 0;
    virtual void SetProgressPos(int id, int position) = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) = 0;
    // Periodic timer; its ticks reach the dialog's OnTimer on the UI thread.
    virtual void StartTimer(uint32_t timerId, uint32_t periodMs) = 0;
    virtual void StopTimer(uint32_t timerId) = 0;
    // Ends the modal loop; the front end then runs the dialog's close procedure.
    virtual void EndDialog(int result) = 0;

    // ---- What the dialog's commands ask of the window ------------------------
    // Exit pressed while a job runs: whether the operator wants to close anyway.
    virtual bool ConfirmCloseDuringJob() { return true; }
    // "..." pressed: the file the operator chose, none when they cancelled.
    virtual std::optional<std::string> ChooseFile() { return std::nullopt; }
    // Write EEPROM, Erase or Get FW Ver. is about to run (`id` its control).
    virtual void CommandStarting(int id) { (void)id; }
};

}  // namespace zt
