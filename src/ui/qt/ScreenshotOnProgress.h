#pragma once
#include <QString>
#include <optional>

#include "job/JobOutcome.h"

namespace zt::qt {

class QtDialogWindow;

// Saves a picture of the window the first time the progress bar reaches a
// given position, then ends the dialog (the close procedure stops the job).
// A job that ends first ends the dialog too, at once and with nobody needed
// to answer its box; a job that never gets anywhere ends the dialog after
// `limitMs` without a picture. For documentation and demos; attach it before
// the dialog runs.
class ScreenshotOnProgress {
public:
    ScreenshotOnProgress(QtDialogWindow& window, QString path, int atProgress, int limitMs = 120000);

    bool Taken() const { return taken_; }
    bool Saved() const { return saved_; }
    // How the job ended when it ended before the picture was taken.
    const std::optional<JobOutcome>& EndedFirst() const { return endedFirst_; }

private:
    void OnProgress(int position);
    void OnJobEnded(const JobOutcome& outcome);

    QtDialogWindow& window_;
    QString path_;
    int atProgress_;
    bool taken_ = false;
    bool saved_ = false;
    std::optional<JobOutcome> endedFirst_;
};

}  // namespace zt::qt
