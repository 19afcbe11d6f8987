#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace zt::station {

// The one re-plug prompt for several units written at once. Each unit's
// worker arrives here at its own re-plug step; once every unit still in its
// job has arrived (the others have ended), `prompt` runs once (it shows the
// prompt and waits for the operator, or not with --yes) and every waiting
// unit goes on to wait for its own device.
//
// Threads: Arrive from the units' workers, Leave from the units' own
// user-interface threads, all at once.
class ReplugGate {
public:
    ReplugGate(int units, std::function<void()> prompt, std::function<bool()> cancelled);

    // Unit `unit` is at its re-plug step. Returns once the prompt has been
    // answered; false when `cancelled` turned true first.
    bool Arrive(int unit);
    // Unit `unit`'s job has ended (or never started); it is not waited for.
    void Leave(int unit);

private:
    enum class State { Running, Arrived, Left };
    // With the lock held: whether the last unit is in, so the prompt is due.
    bool Due() const;
    void PromptAndRelease(std::unique_lock<std::mutex>& lock);

    std::function<void()> prompt_;
    std::function<bool()> cancelled_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<State> units_;
    bool prompting_ = false;
    bool released_ = false;
};

}  // namespace zt::station
