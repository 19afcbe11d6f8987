#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/DialogWindow.h"

namespace zt::test {

// A window that remembers what the dialog did to it. Safe to call from the
// worker thread. Message boxes return at once (after onMessageBox, if set).
// Device notices are queued; DeliverNotices hands them to a handler, as the
// user-interface thread of a real front end would.
class FakeWindow : public DialogWindow {
public:
    struct MessageBox {
        std::string text;
        std::string caption;
        MessageBoxIcon icon;
    };

    // Called on the showing thread before the box "is dismissed".
    std::function<void(const MessageBox&)> onMessageBox;
    // When set, notices are handed over at once on the posting thread.
    std::function<void(const DeviceNotice&)> onNotice;

    void SetWindowTitle(const std::string& t) override {
        Lock l(m);
        title = t;
        calls.push_back("title");
    }
    void SetControlText(int id, const std::string& t) override {
        Lock l(m);
        text[id] = t;
    }
    std::string GetControlText(int id) override {
        Lock l(m);
        return text[id];
    }
    void EnableControl(int id, bool e) override {
        Lock l(m);
        enabled[id] = e;
        calls.push_back("enable " + std::to_string(id) + (e ? " 1" : " 0"));
    }
    void ShowControl(int id, bool s) override {
        Lock l(m);
        shown[id] = s;
    }
    void SetProgressRange(int, int lo, int hi) override {
        Lock l(m);
        rangeMin = lo;
        rangeMax = hi;
    }
    void SetProgressPos(int, int p) override {
        Lock l(m);
        progress.push_back(p);
    }
    void SetCheck(int id, bool c) override {
        Lock l(m);
        checked[id] = c;
    }
    int ShowMessageBox(const std::string& t, const std::string& c, MessageBoxIcon i) override {
        MessageBox box{t, c, i};
        {
            Lock l(m);
            boxes.push_back(box);
            calls.push_back("box " + t);
        }
        if (onMessageBox) onMessageBox(box);
        return 1;
    }
    void StartTimer(uint32_t id, uint32_t ms) override {
        Lock l(m);
        timers[id] = ms;
        calls.push_back("timer start");
    }
    void StopTimer(uint32_t id) override {
        Lock l(m);
        timers.erase(id);
        calls.push_back("timer stop");
    }
    void EndDialog(int r) override {
        Lock l(m);
        endResult = r;
    }
    void JobEnded(const JobReport& report) override {
        Lock l(m);
        reports.push_back(report);
        calls.push_back("job ended");
    }
    void PostDeviceChange(const DeviceNotice& notice) override {
        if (onNotice) {
            onNotice(notice);
            return;
        }
        Lock l(m);
        notices.push_back(notice);
    }

    // Snapshot helpers for assertions.
    int LastProgress() {
        Lock l(m);
        return progress.empty() ? -1 : progress.back();
    }
    std::vector<MessageBox> Boxes() {
        Lock l(m);
        return boxes;
    }
    std::vector<JobReport> Reports() {
        Lock l(m);
        return reports;
    }
    std::vector<std::string> Calls() {
        Lock l(m);
        return calls;
    }
    bool IsEnabled(int id) {
        Lock l(m);
        auto it = enabled.find(id);
        return it == enabled.end() || it->second;
    }
    bool IsShown(int id) {
        Lock l(m);
        auto it = shown.find(id);
        return it == shown.end() || it->second;
    }
    std::vector<DeviceNotice> TakeNotices() {
        Lock l(m);
        auto n = std::move(notices);
        notices.clear();
        return n;
    }

    using Lock = std::lock_guard<std::recursive_mutex>;
    std::recursive_mutex m;
    std::string title;
    std::map<int, std::string> text;
    std::map<int, bool> enabled, shown, checked;
    int rangeMin = -1, rangeMax = -1;
    std::vector<int> progress;
    std::vector<MessageBox> boxes;
    std::vector<JobReport> reports;
    std::vector<std::string> calls;
    std::map<uint32_t, uint32_t> timers;
    std::vector<DeviceNotice> notices;
    int endResult = 0;
};

}  // namespace zt::test
