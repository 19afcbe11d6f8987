#include "ui/qt/ScreenshotOnProgress.h"

#include <QPixmap>
#include <QTimer>

#include "ui/qt/QtDialogWindow.h"

namespace zt::qt {

ScreenshotOnProgress::ScreenshotOnProgress(QtDialogWindow& window, QString path, int atProgress, int limitMs)
    : window_(window), path_(std::move(path)), atProgress_(atProgress) {
    window_.onProgressChanged = [this](int position) { OnProgress(position); };
    window_.onJobEnded = [this](const JobOutcome& outcome) { OnJobEnded(outcome); };
    QTimer::singleShot(limitMs, &window_, [this] {
        if (!taken_) window_.EndDialog(1);
    });
}

void ScreenshotOnProgress::OnProgress(int position) {
    if (taken_ || endedFirst_ || position < atProgress_) return;
    taken_ = true;
    saved_ = window_.grab().save(path_, "PNG");
    window_.EndDialog(1);
}

void ScreenshotOnProgress::OnJobEnded(const JobOutcome& outcome) {
    if (taken_ || endedFirst_) return;
    // The picture can no longer come; its box would wait for an operator that
    // a screenshot run does not have.
    endedFirst_ = outcome;
    window_.EndDialog(1);
}

}  // namespace zt::qt
