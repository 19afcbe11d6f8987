#include "ui/qt/StationWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "app/DialogTemplate.h"
#include "station/operator/OperatorText.h"
#include "ui/qt/BarcodeScanField.h"
#include "ui/qt/QtInstanceLock.h"
#include "ui/qt/StationIdentityFields.h"
#include "ui/qt/StationLogWarning.h"
#include "ui/qt/StationWindowLook.h"
#include "ui/qt/UiThreadCalls.h"

namespace zt::qt {

namespace {

constexpr int kRefreshMs = 1000;
constexpr const char* kReplugCaption = QT_TRANSLATE_NOOP("JobTexts", "Write to EEPROM...");
constexpr const char* kCloseDuringJobQuestion =
    QT_TRANSLATE_NOOP("zt::qt::StationWindow",
                      "Closing now stops the write and leaves the EEPROM of every unit being written "
                      "incomplete; close anyway?");

}  // namespace

StationWindow::StationWindow(DeviceBackend& backend, QWidget* parent)
    : QDialog(parent),
      calls_(new UiThreadCalls(this)),
      presenter_(backend, calls_->Queue(), *this, StationWindowLook()) {
    Build();
    connect(write_, &QPushButton::clicked, this, [this] { StartJob(); });
    connect(runStation_, &QPushButton::toggled, this,
            [this](bool on) { on ? presenter_.StartStation() : presenter_.StopStation(); });
    connect(exit_, &QPushButton::clicked, this, [this] {
        if (!presenter_.UnitsUnderWay() || ConfirmClose()) done(1);
    });
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { presenter_.Refresh(); });
    timer->start(kRefreshMs);
    presenter_.Refresh();
}

void StationWindow::Build() {
    setWindowTitle(
        QString::fromUtf8(kMainWindowTitle.data(), static_cast<qsizetype>(kMainWindowTitle.size())));
    table_ =
        new StationTable({tr("Port"), tr("VID:PID"), tr("Progress"), tr("Result"), tr("What to do")}, this);
    // Enter on the table writes; ignored while a job runs or no unit is
    // there: the button says so.
    table_->onEnter = [this] {
        if (write_->isEnabled()) write_->click();
    };

    // Alt+W writes from anywhere in the window.
    write_ = new QPushButton(tr("&Write EEPROM"), this);
    exit_ = new QPushButton(tr("Exit"), this);
    // Alt+R: each unit is written by itself as it arrives, until pressed again.
    runStation_ = new QPushButton(tr("&Run station"), this);
    runStation_->setCheckable(true);
    runStation_->setAutoDefault(false);
    // Enter on a button must not start or end anything: a stray key at a
    // station would otherwise write or abandon every unit at once. Enter on
    // the table writes; Space presses the focused button.
    write_->setAutoDefault(false);
    exit_->setAutoDefault(false);
    status_ = new QLabel(this);
    counters_ = new QLabel(QString::fromStdString(presenter_.CountersText()), this);
    failures_ = new QListWidget(this);
    failures_->setMaximumHeight(90);
    failures_->setSelectionMode(QAbstractItemView::NoSelection);
    failures_->setFocusPolicy(Qt::NoFocus);
    auto* failuresTitle = new QLabel(tr("Failures this shift:"), this);
    identity_ = new StationIdentityFields(this);
    barcodes_ = new BarcodeScanField(this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(runStation_);
    buttons->addWidget(write_);
    buttons->addWidget(exit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(identity_);
    layout->addWidget(barcodes_);
    layout->addWidget(table_);
    layout->addWidget(counters_);
    layout->addWidget(failuresTitle);
    layout->addWidget(failures_);
    layout->addLayout(buttons);
    resize(960, 480);
    // In the order they are seen, from the top; the table still has the
    // keyboard first.
    setTabOrder(identity_->StationId(), identity_->Operator());
    setTabOrder(identity_->Operator(), identity_->WorkOrder());
    setTabOrder(identity_->WorkOrder(), barcodes_->Field());
    setTabOrder(barcodes_->Field(), table_);
    setTabOrder(table_, write_);
    setTabOrder(write_, runStation_);
    setTabOrder(runStation_, exit_);
    table_->setFocus();
}

StationWindow::~StationWindow() { StopJob(); }

void StationWindow::SetIdentity(const station::StationIdentity& identity) { identity_->Show(identity); }

void StationWindow::SetInstanceLock(QtInstanceLock* lock) {
    if (lock) lock->Announce(std::string(kMainWindowTitle), this);
}

void StationWindow::StartJob() {
    // A running station writes by itself.
    if (presenter_.CurrentMode() != Mode::WriteAll) return;
    focusBeforeJob_ = focusWidget();
    presenter_.StartJob();
}

std::optional<station::StationIdentity> StationWindow::TakeIdentity() {
    QString error;
    auto identity = identity_->Take(&error);
    // A box, not the status line: the next look for units would overwrite it.
    if (!identity) QMessageBox::warning(this, QCoreApplication::applicationName(), error);
    return identity;
}

std::string StationWindow::NextBarcode() { return barcodes_->Take(); }

void StationWindow::ShowRows(const std::vector<station::RowShown>& rows) { table_->Show(rows); }

void StationWindow::ShowStatus(const std::string& text) { status_->setText(QString::fromStdString(text)); }

void StationWindow::ShowCounters(const std::string& text) {
    counters_->setText(QString::fromStdString(text));
}

void StationWindow::ShowButtons(const station::StationButtons& buttons) {
    write_->setEnabled(buttons.write);
    runStation_->setEnabled(buttons.runStation);
    {
        // The button shows the station's state; only the operator's press starts or stops it.
        const QSignalBlocker quiet(runStation_);
        runStation_->setChecked(buttons.stationTaking);
    }
    identity_->setEnabled(buttons.identity);
}

void StationWindow::UnitFailed(const std::string& port, const std::string& words) {
    const QString when = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    failures_->addItem(
        QStringLiteral("%1  %2  %3").arg(when, QString::fromStdString(port), QString::fromStdString(words)));
    failures_->scrollToBottom();
    if (bell_) QApplication::beep();
}

void StationWindow::LogNotWritten(const std::vector<std::string>& errors) {
    QStringList lines;
    for (const std::string& error : errors) lines << QString::fromStdString(error);
    // A window that is going has nobody to show a box to.
    if (calls_->IsClosing()) {
        for (const QString& line : lines) qWarning("%s", qPrintable(line));
        return;
    }
    WarnStationLogNotWritten(this, lines);
}

void StationWindow::StationStarted() {
    // The scanner types into whatever has the keyboard.
    barcodes_->Field()->setFocus();
}

void StationWindow::JobEnded(const std::vector<station::UnitResult>& results) {
    if (focusBeforeJob_ && focusBeforeJob_->isEnabled()) focusBeforeJob_->setFocus();
    if (onJobEnded) onJobEnded(results);
}

void StationWindow::UnitShown(const station::UnitResult& unit) {
    // The unit's record could not be written: the station takes no more.
    if (!unit.recordError.empty()) qWarning("%s", unit.recordError.c_str());
    if (onUnitResult) onUnitResult(unit);
}

void StationWindow::AskToReplug(const std::string& text, std::function<void()> answered) {
    auto* box = new QMessageBox(QMessageBox::Information,
                                QString::fromStdString(station::OperatorText("JobTexts", kReplugCaption)),
                                QString::fromStdString(text), QMessageBox::Ok, this);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QDialog::finished, box, [answered = std::move(answered)] { answered(); });
    replugBox_ = box;
    box->open();
    QTimer::singleShot(0, box, [this, box] {
        if (onReplugPromptShown && box->isVisible()) onReplugPromptShown(*box);
    });
}

bool StationWindow::ConfirmClose() {
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), tr(kCloseDuringJobQuestion),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    closeQuestion_ = &box;
    QTimer::singleShot(0, &box, [this, &box] {
        if (onCloseQuestionShown && box.isVisible()) onCloseQuestionShown(box);
    });
    const int answer = box.exec();
    closeQuestion_ = nullptr;
    // A close that came meanwhile (a signal) has ended the window already.
    return answer == QMessageBox::Yes && !calls_->IsClosing();
}

void StationWindow::reject() {
    if (presenter_.UnitsUnderWay() && !ConfirmClose()) return;
    done(2);
}

void StationWindow::done(int result) {
    // A question still up runs a loop inside the window's own, which could
    // not end before it; nobody answered it, so it reads as No.
    if (closeQuestion_) closeQuestion_->reject();
    StopJob();
    QDialog::done(result);
}

void StationWindow::StopJob() {
    // The unit threads may be waiting on the window (a row update, the
    // prompt): the presenter releases them before waiting for them; the
    // prompt they waited on goes too.
    presenter_.Stop();
    if (replugBox_) replugBox_->reject();
}

}  // namespace zt::qt
