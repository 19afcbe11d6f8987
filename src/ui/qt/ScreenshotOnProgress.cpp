#include "ui/qt/ScreenshotOnProgress.h"

#include <QPixmap>
#include <QTimer>

#include "ui/qt/QtDialogWindow.h"

namespace zt::qt {

ScreenshotOnProgress::ScreenshotOnProgress(QtDialogWindow& window, QString path, int atProgress, int limitMs)
    : window_(window), path_(std::move(path)), atProgress_(atProgress) {
    window_.onProgressChanged = [this](int position) { OnProgress(position); };
    QTimer::singleShot(limitMs, &window_, [this] {
        if (!taken_) window_.EndDialog(1);
    });
}

void ScreenshotOnProgress::OnProgress(int position) {
    if (taken_ || position < atProgress_) return;
    taken_ = true;
    saved_ = window_.grab().save(path_, "PNG");
    window_.EndDialog(1);
}

}  // namespace zt::qt
