#include "ui/qt/QtDialogWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <algorithm>
#include <chrono>
#include <memory>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "station/ConsoleView.h"
#include "station/JobBoxText.h"
#include "station/OperatorText.h"
#include "ui/qt/AppIcon.h"
#include "ui/qt/LastResultLine.h"
#include "ui/qt/QtInstanceLock.h"
#include "ui/qt/UiThreadCalls.h"

namespace zt::qt {

namespace {

// One sentence, as the operator has to decide on it with a job under way.
constexpr const char* kCloseDuringJobQuestion = QT_TRANSLATE_NOOP(
    "MainDialog", "Closing now stops the write and leaves the EEPROM incomplete; close anyway?");

// Where the last outcome shows, in dialog units: the empty row left of Exit,
// below the progress bar. Only controls the template never shows lie there,
// so no control of the template moves or is covered.
constexpr int kLastResultX = 9;
constexpr int kLastResultY = 94;
constexpr int kLastResultWidth = 250;
constexpr int kLastResultHeight = 8;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A caption of the template in the operator's language.
QString CaptionText(std::string_view caption) {
    if (caption.empty()) return QString();
    return QCoreApplication::translate("MainDialog", std::string(caption).c_str());
}

QWidget* MakeControl(const ControlTemplate& c, QWidget* parent) {
    const bool tabStop = (c.style & kStyleTabStop) != 0;
    const Qt::Alignment horizontal = (c.style & kStyleCentred) ? Qt::AlignHCenter : Qt::AlignLeft;
    switch (c.kind) {
        case ControlKind::PushButton: {
            auto* button = new QPushButton(CaptionText(c.caption), parent);
            button->setDefault((c.style & kStyleDefaultButton) != 0);
            button->setFlat((c.style & kStyleFlat) != 0);
            button->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
            return button;
        }
        case ControlKind::StaticText: {
            auto* label = new QLabel(CaptionText(c.caption), parent);
            label->setAlignment(horizontal | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            return label;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(ToQString(c.caption), parent);
            edit->setFrame((c.style & kStyleBorder) != 0);
            edit->setAlignment(horizontal | Qt::AlignVCenter);
            edit->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
            return edit;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(parent);
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);
            return bar;
        }
        case ControlKind::CheckBox: {
            auto* box = new QCheckBox(CaptionText(c.caption), parent);
            box->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
            return box;
        }
    }
    return new QWidget(parent);
}

}  // namespace

QtDialogWindow::QtDialogWindow(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      calls_(new UiThreadCalls(this)) {
    const DialogTemplate& t = MainDialogTemplate();
    setFont(TemplateFont(t));
    units_ = DialogUnits::ForFont(font());
    setWindowTitle(ToQString(t.caption));
    setWindowIcon(AppIcon());
    setFixedSize(units_.ToPixels(t.width, t.height));
    BuildControls();
}

QtDialogWindow::~QtDialogWindow() { BeginClosing(); }

void QtDialogWindow::BuildControls() {
    int labels = 0;
    for (const ControlTemplate& c : MainDialogTemplate().controls) {
        QWidget* control = MakeControl(c, this);
        control->setGeometry(units_.ToPixels(c.x, c.y, c.width, c.height));
        if (c.id == kIdStatic) {
            control->setObjectName(QStringLiteral("label%1").arg(++labels));
        } else {
            control->setObjectName(QStringLiteral("control%1").arg(c.id));
            controls_[c.id] = control;
        }
        control->setVisible((c.style & kStyleVisible) != 0);
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            const int id = c.id;
            connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        }
        // A focused button or box would take Enter itself before the window sees it.
        control->installEventFilter(this);
    }
    lastResult_ = new QLabel(this);
    lastResult_->setObjectName(QStringLiteral("lastResult"));
    lastResult_->setTextFormat(Qt::PlainText);
    lastResult_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lastResult_->setGeometry(
        units_.ToPixels(kLastResultX, kLastResultY, kLastResultWidth, kLastResultHeight));
}

void QtDialogWindow::SetInstanceLock(QtInstanceLock* lock) { instanceLock_ = lock; }

QWidget* QtDialogWindow::Control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

int QtDialogWindow::RunModal(CZT51xxWriteEepromMPDlg& dialog) {
    dialog_ = &dialog;
    ending_ = false;
    dialog.OnInitDialog();
    const int result = exec();
    BeginClosing();
    dialog.DestroyWindow();
    bool unannounced = false;
    {
        std::lock_guard lock(outcomeMutex_);
        unannounced = !jobEndAnnounced_;
    }
    if (unannounced) {
        // The close stopped the job, which ends without a word while closing.
        // Its report is read only once the worker has gone.
        JobReport report = dialog.Job().FinishedJobReport();
        report.outcome = {ResultKind::Interrupted, std::nullopt};
        if (report.end == std::chrono::system_clock::time_point{})
            report.end = std::chrono::system_clock::now();
        if (report.start == std::chrono::system_clock::time_point{}) report.start = report.end;
        JobEnded(report);
    }
    dialog_ = nullptr;
    return result;
}

void QtDialogWindow::BeginClosing() {
    calls_->BeginClosing();
    // Boxes the worker was waiting in: nobody waits for them any more.
    for (const QPointer<QMessageBox>& box : workerBoxes_)
        if (box) box->done(QMessageBox::Ok);
    workerBoxes_.clear();
    for (const auto& [qtId, timerId] : timers_) killTimer(qtId);
    timers_.clear();
}

void QtDialogWindow::OnCommand(int id) {
    if (dialog_) dialog_->OnCommand(id);
}

void QtDialogWindow::CommandStarting(int id) {
    if (id == kIdWriteEeprom) {
        // The last outcome stays up until the next job starts.
        lastResult_->clear();
        lastResult_->setToolTip(QString());
        std::lock_guard lock(outcomeMutex_);
        jobEndAnnounced_ = false;
        jobEndToShow_ = false;
    }
    if (onCommandStarting) onCommandStarting();
}

std::optional<std::string> QtDialogWindow::ChooseFile() {
    const QString path =
        QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("All Files (*)"));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

bool QtDialogWindow::ConfirmCloseDuringJob() { return ConfirmClose(); }

void QtDialogWindow::reject() {
    // Escape and the window manager's close both end the dialog through its
    // own cancel, so the close procedure runs either way.
    if (!dialog_) {
        QDialog::reject();
        return;
    }
    if (ConfirmClose()) dialog_->OnCancel();
}

bool QtDialogWindow::JobRunning() { return dialog_ && dialog_->JobRunning(); }

bool QtDialogWindow::IsSwallowedDuringJob(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape) return false;
    return JobRunning();
}

void QtDialogWindow::keyPressEvent(QKeyEvent* event) {
    if (IsSwallowedDuringJob(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool QtDialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (IsSwallowedDuringJob(event)) return true;
    return QDialog::eventFilter(watched, event);
}

bool QtDialogWindow::ConfirmClose() {
    if (!JobRunning()) return true;
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(),
                    QCoreApplication::translate("MainDialog", kCloseDuringJobQuestion),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    uiThreadBoxes_.append(&box);
    QTimer::singleShot(0, &box, [this, &box] {
        if (onCloseQuestionShown && box.isVisible()) onCloseQuestionShown(box);
    });
    const int answer = box.exec();
    uiThreadBoxes_.removeAll(&box);
    // A close that came meanwhile (a signal) has ended the dialog already.
    return answer == QMessageBox::Yes && !ending_;
}

void QtDialogWindow::DismissUiThreadBoxes() {
    // Each runs a loop inside the dialog's own; the dialog's loop can only end
    // once they have ended. Nobody answered them: a question reads as No.
    for (const QPointer<QMessageBox>& box : uiThreadBoxes_)
        if (box) box->reject();
    uiThreadBoxes_.clear();
}

void QtDialogWindow::SetWindowTitle(const std::string& title) {
    calls_->Run([this, title] {
        setWindowTitle(QString::fromStdString(title));
        if (instanceLock_) instanceLock_->Announce(title, this);
    });
}

void QtDialogWindow::SetControlText(int id, const std::string& text) {
    calls_->Run([this, id, text] {
        const QString value = QString::fromStdString(text);
        if (auto* edit = qobject_cast<QLineEdit*>(Control(id)))
            edit->setText(value);
        else if (auto* label = qobject_cast<QLabel*>(Control(id)))
            label->setText(value);
        else if (auto* button = qobject_cast<QAbstractButton*>(Control(id)))
            button->setText(value);
    });
}

std::string QtDialogWindow::GetControlText(int id) {
    auto text = std::make_shared<std::string>();
    calls_->Run([this, id, text] {
        if (auto* edit = qobject_cast<QLineEdit*>(Control(id)))
            *text = edit->text().toStdString();
        else if (auto* label = qobject_cast<QLabel*>(Control(id)))
            *text = label->text().toStdString();
        else if (auto* button = qobject_cast<QAbstractButton*>(Control(id)))
            *text = button->text().toStdString();
    });
    return *text;
}

void QtDialogWindow::EnableControl(int id, bool enable) {
    calls_->Run([this, id, enable] {
        if (QWidget* control = Control(id)) control->setEnabled(enable);
    });
}

void QtDialogWindow::ShowControl(int id, bool show) {
    calls_->Run([this, id, show] {
        if (QWidget* control = Control(id)) control->setVisible(show);
    });
}

void QtDialogWindow::SetProgressRange(int id, int minimum, int maximum) {
    calls_->Run([this, id, minimum, maximum] {
        if (auto* bar = qobject_cast<QProgressBar*>(Control(id))) bar->setRange(minimum, maximum);
    });
}

void QtDialogWindow::SetProgressPos(int id, int position) {
    {
        // The body write and the read-back set the bar once per request, a
        // few thousand times a job, mostly to the position it already has. A
        // repeat changes nothing on screen, so it need not make the worker
        // wait for a round trip through the event loop.
        std::lock_guard lock(progressMutex_);
        const auto last = lastProgress_.find(id);
        if (last != lastProgress_.end() && last->second == position) return;
        lastProgress_[id] = position;
    }
    calls_->Run([this, id, position] {
        auto* bar = qobject_cast<QProgressBar*>(Control(id));
        if (!bar) return;
        // A position outside the range shows as the nearest end instead of
        // being dropped, as a progress control does.
        bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
        if (onProgressChanged) onProgressChanged(bar->value());
    });
}

void QtDialogWindow::SetCheck(int id, bool checked) {
    calls_->Run([this, id, checked] {
        if (auto* box = qobject_cast<QCheckBox*>(Control(id))) box->setChecked(checked);
    });
}

QMessageBox* QtDialogWindow::MakeMessageBox(const std::string& text, const std::string& caption,
                                            MessageBoxIcon icon) {
    auto* box = new QMessageBox(this);
    box->setWindowTitle(caption.empty() ? QCoreApplication::applicationName()
                                        : QString::fromStdString(station::JobBoxText(caption)));
    box->setTextFormat(Qt::PlainText);
    box->setText(QString::fromStdString(station::JobBoxText(text)));
    box->setIcon(icon == MessageBoxIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon);
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

void QtDialogWindow::AnnounceShown(QMessageBox* box) {
    // Once the box is up (inside its own loop for a blocking one).
    QTimer::singleShot(0, box, [this, box] {
        if (onMessageBoxShown && box->isVisible()) onMessageBoxShown(*box);
    });
}

int QtDialogWindow::ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) {
    if (calls_->OnUiThread()) {
        if (calls_->IsClosing() || ending_) return 1;
        std::unique_ptr<QMessageBox> box(MakeMessageBox(text, caption, icon));
        uiThreadBoxes_.append(box.get());
        AnnounceShown(box.get());
        box->exec();
        uiThreadBoxes_.removeAll(box.get());
        return 1;
    }
    // The worker's box: modal to the window, run from the window's own event
    // loop, while the worker waits here until it is dismissed.
    calls_->RunUntilDone([this, text, caption, icon](UiThreadCalls::Done done) {
        QMessageBox* box = MakeMessageBox(text, caption, icon);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::WindowModal);
        connect(box, &QDialog::finished, box, [done] { done(); });
        workerBoxes_.append(box);
        box->show();
        AnnounceShown(box);
    });
    return 1;
}

void QtDialogWindow::StartTimer(uint32_t timerId, uint32_t periodMs) {
    calls_->Run([this, timerId, periodMs] {
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second == timerId) {
                killTimer(it->first);
                timers_.erase(it);
                break;
            }
        }
        const int qtId = startTimer(static_cast<int>(periodMs));
        if (qtId != 0) timers_[qtId] = timerId;
    });
}

void QtDialogWindow::StopTimer(uint32_t timerId) {
    calls_->Run([this, timerId] {
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second == timerId) {
                killTimer(it->first);
                timers_.erase(it);
                return;
            }
        }
    });
}

void QtDialogWindow::timerEvent(QTimerEvent* event) {
    const auto it = timers_.find(event->timerId());
    if (it == timers_.end()) {
        QDialog::timerEvent(event);
        return;
    }
    if (dialog_) dialog_->OnTimer(it->second);
}

void QtDialogWindow::EndDialog(int result) {
    calls_->Run([this, result] {
        ending_ = true;
        DismissUiThreadBoxes();
        done(result);
    });
}

void QtDialogWindow::PostDeviceChange(const DeviceNotice& notice) {
    // The notices that reach the window are the unit's own.
    if (notice.kind == DeviceNotice::Kind::Arrival) awaitingReplug_ = false;
    {
        std::lock_guard lock(noticeMutex_);
        notices_.push_back(notice);
    }
    QMetaObject::invokeMethod(this, "DeliverDeviceChanges", Qt::QueuedConnection);
}

void QtDialogWindow::DeliverDeviceChanges() {
    for (;;) {
        DeviceNotice notice;
        {
            std::lock_guard lock(noticeMutex_);
            if (notices_.empty()) return;
            notice = std::move(notices_.front());
            notices_.pop_front();
        }
        if (dialog_ && !calls_->IsClosing()) dialog_->HandleDeviceChange(notice);
    }
}

void QtDialogWindow::ReplugRequested(const ReplugRequest&) {
    awaitingReplug_ = true;
    if (onReplugRequested) onReplugRequested();
}

void QtDialogWindow::JobEnded(const JobReport& report) {
    awaitingReplug_ = false;
    {
        std::lock_guard lock(outcomeMutex_);
        lastOutcome_ = report.outcome;
        jobEndAnnounced_ = true;
        jobEndToShow_ = true;
    }
    if (onJobReport) onJobReport(report);
    if (onCommandEnded) onCommandEnded();
    // The worker must not wait for the window here; the line follows on the
    // UI thread, which takes the outcome from under our own lock.
    if (calls_->OnUiThread())
        DeliverJobEnd();
    else
        QMetaObject::invokeMethod(this, "DeliverJobEnd", Qt::QueuedConnection);
}

void QtDialogWindow::EraseEnded(const JobOutcome&) {
    if (onCommandEnded) onCommandEnded();
}

void QtDialogWindow::FirmwareVersionRead(const std::optional<std::string>&) {
    if (onCommandEnded) onCommandEnded();
}

void QtDialogWindow::DeliverJobEnd() {
    JobOutcome outcome;
    {
        std::lock_guard lock(outcomeMutex_);
        if (!jobEndToShow_ || !lastOutcome_) return;
        jobEndToShow_ = false;
        outcome = *lastOutcome_;
    }
    ShowLastOutcome(outcome);
    if (onJobEnded) onJobEnded(outcome);
}

void QtDialogWindow::ShowLastOutcome(const JobOutcome& outcome) {
    const QString text = LastResultLine(outcome);
    const QFontMetrics metrics(lastResult_->font());
    lastResult_->setText(metrics.elidedText(text, Qt::ElideRight, lastResult_->width()));
    lastResult_->setToolTip(text);
}

void QtDialogWindow::ShowArrivedElsewhere(const std::string& arrivedPort, const std::string& waitingPort) {
    if (!awaitingReplug_) return;
    const QString text = QString::fromStdString(
        station::ConsoleView::ArrivedElsewhereText(arrivedPort, waitingPort, station::OperatorText));
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            const QFontMetrics metrics(lastResult_->font());
            lastResult_->setText(metrics.elidedText(text, Qt::ElideRight, lastResult_->width()));
            lastResult_->setToolTip(text);
        },
        Qt::QueuedConnection);
}

std::optional<JobOutcome> QtDialogWindow::LastOutcome() {
    std::lock_guard lock(outcomeMutex_);
    return lastOutcome_;
}

}  // namespace zt::qt
