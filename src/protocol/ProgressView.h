#pragma once

namespace zt {

// Where the long commands (the body write and the whole read-back) report how
// far they are, as a position from 0 to 100. Called on the thread that runs
// the command; the view must return promptly.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void ShowProgress(int percent) = 0;
};

}  // namespace zt
