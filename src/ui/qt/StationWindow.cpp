#include "ui/qt/StationWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "app/DialogTemplate.h"
#include "station/OperatorText.h"
#include "ui/qt/BarcodeScanField.h"
#include "ui/qt/QtInstanceLock.h"
#include "ui/qt/StationIdentityFields.h"
#include "ui/qt/StationLogWarning.h"
#include "ui/qt/UiThreadCalls.h"

namespace zt::qt {

namespace {

constexpr int kRefreshMs = 1000;
constexpr const char* kReplugCaption = QT_TRANSLATE_NOOP("JobTexts", "Write to EEPROM...");
constexpr const char* kCloseDuringJobQuestion =
    QT_TRANSLATE_NOOP("zt::qt::StationWindow",
                      "Closing now stops the write and leaves the EEPROM of every unit being written "
                      "incomplete; close anyway?");
constexpr const char* kHeldByAnotherJob =
    QT_TRANSLATE_NOOP("zt::qt::StationWindow", "Held by another job; not written");
constexpr const char* kLockNotTaken =
    QT_TRANSLATE_NOOP("zt::qt::StationWindow", "Lock not taken; not written: ");
// A failed unit's bar, so that it stands out among the good ones at a glance;
// its figure stays in the middle, where the other bars have theirs.
constexpr const char* kFailedBarStyle =
    "QProgressBar { text-align: center; } QProgressBar::chunk { background-color: #d32f2f; }";

std::string Std(const QString& text) { return text.toStdString(); }

// The window's texts in its translations: each row follows its port's state
// under Write EEPROM too, and says in a few words what to do about a failure.
station::StationLook QtLook() {
    station::StationLook look;
    look.rows.unplugged = Std(StationWindow::tr("(unplugged)"));
    look.unitsPresent = [](size_t units) {
        return Std(units == 1 ? StationWindow::tr("1 unit present")
                              : StationWindow::tr("%1 units present").arg(units));
    };
    look.noKnownDevice = Std(StationWindow::tr("No known device present."));
    look.writingUnits = [](size_t units) { return Std(StationWindow::tr("Writing %1 units...").arg(units)); };
    look.stationRunning = Std(StationWindow::tr("Station running: each unit is written as it arrives"));
    look.stationStopping = Std(StationWindow::tr("Station stopping: the units under way finish first"));
    look.counters = [](int passed, int failed, const std::string& rate) {
        return Std(QCoreApplication::translate("zt::qt::StationCounters",
                                               "Passed: %1   Failed: %2   Units per hour: %3")
                       .arg(passed)
                       .arg(failed)
                       .arg(QString::fromStdString(rate)));
    };
    look.heldByAnotherJob = Std(StationWindow::tr(kHeldByAnotherJob));
    look.lockNotTaken = Std(StationWindow::tr(kLockNotTaken));
    look.updater = Std(StationWindow::tr(" (updater)"));
    look.cannotBeOpened = Std(StationWindow::tr(" (cannot be opened)"));
    return look;
}

}  // namespace

StationWindow::StationWindow(DeviceBackend& backend, QWidget* parent)
    : QDialog(parent),
      calls_(new UiThreadCalls(this)),
      presenter_(backend, calls_->Queue(), *this, QtLook()) {
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
    table_ = new QTableWidget(0, kColumns, this);
    table_->setHorizontalHeaderLabels(
        {tr("Port"), tr("VID:PID"), tr("Progress"), tr("Result"), tr("What to do")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setWordWrap(false);
    table_->setTabKeyNavigation(false);  // Tab leaves the table for the buttons
    table_->installEventFilter(this);
    table_->horizontalHeader()->setSectionResizeMode(kPort, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(kIds, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(kResult, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(kMeaning, QHeaderView::Stretch);
    table_->setColumnWidth(kProgress, 160);

    // Alt+W writes from anywhere in the window.
    write_ = new QPushButton(tr("&Write EEPROM"), this);
    exit_ = new QPushButton(tr("Exit"), this);
    // Alt+R: each unit is written by itself as it arrives, until pressed again.
    runStation_ = new QPushButton(tr("&Run station"), this);
    runStation_->setCheckable(true);
    runStation_->setAutoDefault(false);
    // Enter on a button must not start or end anything: a stray key at a
    // station would otherwise write or abandon every unit at once. Enter on
    // the table writes (see eventFilter); Space presses the focused button.
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

bool StationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Ignored while a job runs or no unit is there: the button says so.
            if (write_->isEnabled()) write_->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

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

void StationWindow::ShowRows(const std::vector<station::RowShown>& rows) {
    table_->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const station::RowShown& row = rows[i];
        const int r = static_cast<int>(i);
        table_->setItem(r, kPort, new QTableWidgetItem(QString::fromStdString(row.port)));
        table_->setItem(r, kIds, new QTableWidgetItem(QString::fromStdString(row.ids)));
        auto* bar = qobject_cast<QProgressBar*>(table_->cellWidget(r, kProgress));
        if (!bar) {
            bar = new QProgressBar;
            bar->setRange(0, 100);
            table_->setCellWidget(r, kProgress, bar);
        }
        bar->setValue(row.percent);
        bar->setAlignment(Qt::AlignCenter);
        bar->setStyleSheet(row.failed ? QString::fromUtf8(kFailedBarStyle) : QString());
        auto* result = new QTableWidgetItem(QString::fromStdString(row.result));
        if (row.tone != station::RowTone::Plain)
            result->setForeground(row.tone == station::RowTone::Passed ? QColor(Qt::darkGreen)
                                                                       : QColor(Qt::red));
        table_->setItem(r, kResult, result);
        table_->setItem(r, kMeaning, new QTableWidgetItem(QString::fromStdString(row.meaning)));
        // The whole row explains itself under the pointer, the meaning too,
        // since its column may be cut short.
        const QString tip = QString::fromStdString(row.tip);
        for (int column = 0; column < kColumns; ++column)
            if (QTableWidgetItem* item = table_->item(r, column)) item->setToolTip(tip);
        bar->setToolTip(tip);
    }
}

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
