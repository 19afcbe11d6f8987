#pragma once
#include <QString>

namespace zt::qt {

class QtDialogWindow;

// Saves a picture of the window the first time the progress bar reaches a
// given position, then ends the dialog (the close procedure stops the job).
// A job that never gets there ends the dialog after `limitMs` without a
// picture. For documentation and demos; attach it before the dialog runs.
class ScreenshotOnProgress {
public:
    ScreenshotOnProgress(QtDialogWindow& window, QString path, int atProgress, int limitMs = 120000);

    bool Taken() const { return taken_; }
    bool Saved() const { return saved_; }

private:
    void OnProgress(int position);

    QtDialogWindow& window_;
    QString path_;
    int atProgress_;
    bool taken_ = false;
    bool saved_ = false;
};

}  // namespace zt::qt
