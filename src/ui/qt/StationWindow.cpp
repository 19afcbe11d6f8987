#include "ui/qt/StationWindow.h"

#include <QApplication>
#include <QCollator>
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
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/DialogTemplate.h"
#include "chip/KnownDeviceTable.h"
#include "job/FailureCatalogue.h"
#include "platform/DeviceBackend.h"
#include "station/operator/JobBoxText.h"
#include "station/operator/OperatorText.h"
#include "station/ports/KnownDeviceScan.h"
#include "station/presentation/UnitRows.h"
#include "station/run/StationRun.h"
#include "ui/qt/BarcodeScanField.h"
#include "ui/qt/LastResultLine.h"
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

QString IdsOf(const station::PresentDevice& device) {
    QString ids = QStringLiteral("%1:%2")
                      .arg(device.vendorId, 4, 16, QLatin1Char('0'))
                      .arg(device.productId, 4, 16, QLatin1Char('0'))
                      .toUpper();
    if (device.updater) ids += StationWindow::tr(" (updater)");
    // Its IDs come from the USB walk; its job will fail at the open.
    if (!device.openable) ids += StationWindow::tr(" (cannot be opened)");
    return ids;
}

// The catalogue's line that says what to do about the outcome's code, short
// enough for its column; empty when it carries none.
QString MeaningOf(const JobOutcome& outcome) {
    const auto code = outcome.Code();
    if (!code) return {};
    const FailureDescription failure = DescribeFailure(*code);
    const std::string& line = failure.action.empty() ? failure.meaning : failure.action;
    return QString::fromStdString(station::OperatorText("FailureCatalogue", line.c_str()));
}

// The catalogue's whole sentence on the outcome's code, for the tooltip.
QString FullMeaningOf(const JobOutcome& outcome) {
    const auto code = outcome.Code();
    if (!code) return {};
    return QString::fromStdString(
        station::OperatorText("FailureCatalogue", DescribeFailure(*code).meaning.c_str()));
}

}  // namespace

StationWindow::StationWindow(DeviceBackend& backend, QWidget* parent)
    : QDialog(parent), backend_(backend), calls_(new UiThreadCalls(this)) {
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
    counters_ = new QLabel(tally_.Text(), this);
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

    connect(write_, &QPushButton::clicked, this, [this] {
        switch (mode_) {
            case Mode::WriteAll:
                return StartJob();
            case Mode::RunStation:
                return;  // the station writes by itself
        }
    });
    connect(runStation_, &QPushButton::toggled, this,
            [this](bool on) { on ? StartStation() : StopStation(); });
    connect(exit_, &QPushButton::clicked, this, [this] {
        if (!UnitsUnderWay() || ConfirmClose()) done(1);
    });
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { Refresh(); });
    timer->start(kRefreshMs);
    Refresh();
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

std::optional<station::StationIdentity> StationWindow::TakeIdentity() {
    QString error;
    auto identity = identity_->Take(&error);
    // A box, not the status line: the next look for units would overwrite it.
    if (!identity) QMessageBox::warning(this, QCoreApplication::applicationName(), error);
    return identity;
}

void StationWindow::SetInstanceLock(QtInstanceLock* lock) {
    if (lock) lock->Announce(std::string(kMainWindowTitle), this);
}

void StationWindow::Refresh() {
    if (running_) return;
    int openFailures = 0;
    // A unit whose HID interface cannot be opened still gets its row, and
    // its job fails with its code, rather than the unit being left out unseen.
    const Platform platform = backend_.AsPlatform();
    const auto devices = station::ScanUnits(platform.hid, platform.usb, kInitialKnownDevices, &openFailures);
    std::vector<Row> next = station::RowsAfterScan(rows_, devices, IdsOf);
    QCollator natural;
    natural.setNumericMode(true);
    std::sort(next.begin(), next.end(), [&](const Row& a, const Row& b) {
        return natural.compare(QString::fromStdString(a.port), QString::fromStdString(b.port)) < 0;
    });

    const auto same = [](const Row& a, const Row& b) {
        return a.port == b.port && a.ids == b.ids && a.present == b.present && a.result == b.result;
    };
    if (next.size() != rows_.size() || !std::equal(next.begin(), next.end(), rows_.begin(), same)) {
        rows_ = std::move(next);
        ShowRows();
    }
    const auto present = std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.present; });
    if (present > 0) {
        status_->setText(present == 1 ? tr("1 unit present") : tr("%1 units present").arg(present));
    } else {
        QString text = tr("No known device present.");
        const std::string hint = backend_.PermissionHint();
        if (openFailures > 0 && !hint.empty()) text += u' ' + QString::fromStdString(hint);
        status_->setText(text);
    }
    UpdateButton();
}

void StationWindow::ShowRows() {
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        const int r = static_cast<int>(i);
        table_->setItem(r, kPort, new QTableWidgetItem(QString::fromStdString(row.port)));
        table_->setItem(r, kIds, new QTableWidgetItem(row.present ? row.ids : tr("(unplugged)")));
        auto* bar = qobject_cast<QProgressBar*>(table_->cellWidget(r, kProgress));
        if (!bar) {
            bar = new QProgressBar;
            bar->setRange(0, 100);
            table_->setCellWidget(r, kProgress, bar);
        }
        bar->setValue(std::clamp(row.line.Percent(), 0, 100));
        bar->setAlignment(Qt::AlignCenter);
        bar->setStyleSheet(row.line.Failed() ? QString::fromUtf8(kFailedBarStyle) : QString());
        auto* result = new QTableWidgetItem(ResultText(row));
        if (const auto& last = row.line.Last(); last && row.result.isEmpty() && !row.line.UnderWay())
            result->setForeground(last->pass ? QColor(Qt::darkGreen) : QColor(Qt::red));
        table_->setItem(r, kResult, result);
        table_->setItem(r, kMeaning, new QTableWidgetItem(row.meaning));
        // The whole row explains itself under the pointer, the meaning too,
        // since its column may be cut short.
        const QString tip = row.meaningTip.isEmpty() ? row.resultTip : row.resultTip + u'\n' + row.meaningTip;
        for (int column = 0; column < kColumns; ++column)
            if (QTableWidgetItem* item = table_->item(r, column)) item->setToolTip(tip);
        bar->setToolTip(tip);
    }
}

QString StationWindow::ResultText(const Row& row) {
    if (!row.result.isEmpty()) return row.result;
    return row.stated ? QString::fromStdString(row.line.Text()) : QString();
}

bool StationWindow::UnitsUnderWay() const {
    if (!running_) return false;
    // A station between units writes nothing; Write EEPROM's job is one whole.
    if (mode_ == Mode::WriteAll) return true;
    return std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.line.UnderWay(); });
}

void StationWindow::UpdateButton() {
    write_->setEnabled(!running_ &&
                       std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.present; }));
    // Run station starts while nothing runs and stops its own run.
    runStation_->setEnabled(!running_ || mode_ == Mode::RunStation);
    // A run's records all name the same people: it took them at its start.
    identity_->setEnabled(!running_);
}

void StationWindow::StartStation() {
    if (running_ || calls_->IsClosing()) {
        runStation_->setChecked(false);
        return;
    }
    const auto identity = TakeIdentity();
    if (!identity) {
        runStation_->setChecked(false);
        return;
    }
    if (job_.joinable()) job_.join();
    mode_ = Mode::RunStation;
    running_ = true;
    stationOn_ = true;
    stationPorts_.Clear();
    tally_.JobStarted(StationCounters::Clock::now());
    UpdateButton();
    status_->setText(tr("Station running: each unit is written as it arrives"));
    station::StationRequest request;
    request.job.replug = replug_;
    request.identity = *identity;
    request.serials = serials_;
    request.preCheck = preCheck_;
    // Asked on a unit's thread as its job starts; the codes are the UI
    // thread's alone. A window that is closing hands out none.
    request.barcodeFor = [this](const std::string&) {
        std::string code;
        calls_->Run([this, &code] { code = barcodes_->Take(); });
        return code;
    };
    // The scanner types into whatever has the keyboard.
    barcodes_->Field()->setFocus();
    display_ = std::make_unique<station::WindowStationDisplay>(calls_->Queue(), *this);
    job_ = std::thread([this, request] {
        station::StationRun station(backend_, request, *display_, *records_,
                                    [this](const station::UnitResult& unit, const station::StationCounters&) {
                                        // The unit's record is in the log, or could not be written.
                                        if (!unit.recordError.empty())
                                            qWarning("%s", unit.recordError.c_str());
                                        calls_->Run([this, unit] { ShowUnitResult(unit); });
                                    });
        station.Run([this] { return !stationOn_.load() || stopping_.load(); },
                    [this] { return stopping_.load(); });
        calls_->Run([this] {
            running_ = false;
            mode_ = Mode::WriteAll;
            runStation_->setChecked(false);
            Refresh();
            UpdateButton();
        });
    });
}

void StationWindow::StopStation() {
    if (mode_ != Mode::RunStation) return;
    stationOn_ = false;
    status_->setText(tr("Station stopping: the units under way finish first"));
    runStation_->setEnabled(false);
}

size_t StationWindow::RowOf(size_t index) const {
    if (mode_ != Mode::RunStation) return index;
    return stationPorts_.RowOf(rows_, index);
}

void StationWindow::BindPort(size_t index, const std::string& port) {
    if (mode_ != Mode::RunStation) return;
    stationPorts_.Bind(index, port);
    if (std::none_of(rows_.begin(), rows_.end(), [&](const Row& r) { return r.port == port; })) {
        Row row;
        row.port = port;
        rows_.push_back(row);
    }
    const size_t at = RowOf(index);
    rows_[at].present = true;
    ShowRows();
}

void StationWindow::ShowUnitResult(const station::UnitResult& unit) {
    tally_.UnitEnded(unit.outcome.kind == ResultKind::Ok, StationCounters::Clock::now());
    counters_->setText(tally_.Text());
    const auto found =
        std::find_if(rows_.begin(), rows_.end(), [&](const Row& r) { return r.port == unit.port; });
    if (found == rows_.end()) return;
    Row& row = *found;
    row.resultTip = OutcomeText(unit.outcome);
    row.meaning = MeaningOf(unit.outcome);
    row.meaningTip = FullMeaningOf(unit.outcome);
    if (unit.record && unit.record->vendorIdAfter)
        row.ids = QStringLiteral("%1:%2")
                      .arg(*unit.record->vendorIdAfter, 4, 16, QLatin1Char('0'))
                      .arg(unit.record->productIdAfter.value_or(0), 4, 16, QLatin1Char('0'))
                      .toUpper();
    ShowRows();
    if (onUnitResult) onUnitResult(unit);
}

void StationWindow::StartJob() {
    if (running_ || calls_->IsClosing()) return;
    const auto identity = TakeIdentity();
    if (!identity) return;
    Refresh();
    // The new job's rows: the units present now, nothing of the last job.
    std::erase_if(rows_, [](const Row& r) { return !r.present; });
    station::MultiUnitRequest request;
    request.preCheck = preCheck_;
    for (Row& row : rows_) {
        row.line = station::PortLine();
        row.stated = false;
        row.result.clear();
        row.resultTip.clear();
        row.meaning.clear();
        row.meaningTip.clear();
        row.hasResult = false;
        request.ports.push_back(row.port);
    }
    ShowRows();
    if (request.ports.empty()) return;
    if (job_.joinable()) job_.join();  // the last job's thread, already past its end

    focusBeforeJob_ = focusWidget();
    running_ = true;
    tally_.JobStarted(StationCounters::Clock::now());
    UpdateButton();
    status_->setText(tr("Writing %1 units...").arg(request.ports.size()));
    request.replugWait = station::DefaultReplugWait(request.ports.size());
    request.job.replug = replug_;
    request.serials = serials_;
    display_ = std::make_unique<station::WindowStationDisplay>(calls_->Queue(), *this);
    job_ = std::thread([this, request, identity = *identity]() mutable {
        request.identity = identity;
        auto results =
            station::WriteUnits(backend_, request, *display_, *records_, [this] { return stopping_.load(); });
        {
            std::lock_guard lock(resultsMutex_);
            results_ = std::move(results);
        }
        // Not run once the window closes; the close finishes the job then.
        calls_->Run([this] { FinishJob(); });
    });
}

bool StationWindow::RecordErrors(const std::vector<station::UnitResult>& results, QStringList* errors) {
    for (const station::UnitResult& unit : results)
        if (!unit.recordError.empty()) *errors << QString::fromStdString(unit.recordError);
    return errors->isEmpty();
}

void StationWindow::FinishJob() {
    std::vector<station::UnitResult> results;
    {
        std::lock_guard lock(resultsMutex_);
        if (!results_) return;
        results = std::move(*results_);
        results_.reset();
    }
    for (const station::UnitResult& unit : results)
        tally_.UnitEnded(unit.outcome.kind == ResultKind::Ok, StationCounters::Clock::now());
    counters_->setText(tally_.Text());
    // The units' lines are on disk before the window says the job is over.
    QStringList logErrors;
    if (calls_->IsClosing()) {
        // The window is going: nobody would see a box.
        if (!RecordErrors(results, &logErrors))
            for (const QString& error : logErrors) qWarning("%s", qPrintable(error));
        running_ = false;
        return;
    }
    if (!RecordErrors(results, &logErrors)) WarnStationLogNotWritten(this, logErrors);
    running_ = false;
    for (size_t i = 0; i < results.size() && i < rows_.size(); ++i) {
        Row& row = rows_[i];
        const station::UnitResult& unit = results[i];
        // A unit the close stopped before its result reached the row.
        if (!row.line.Last())
            ShowState(i, {station::PortPhase::Result, {}, station::PortOutcome::Of(unit.outcome)});
        row.resultTip = OutcomeText(unit.outcome);
        row.meaning = MeaningOf(unit.outcome);
        row.meaningTip = FullMeaningOf(unit.outcome);
        if (unit.Busy()) {
            row.result = tr(kHeldByAnotherJob);
        } else if (unit.claim.outcome == ClaimOutcome::CannotLock) {
            row.result = tr(kLockNotTaken) + QString::fromStdString(unit.claim.reason);
            row.resultTip = row.result;
        }
    }
    ShowRows();
    Refresh();
    if (focusBeforeJob_ && focusBeforeJob_->isEnabled()) focusBeforeJob_->setFocus();
    if (onJobEnded) onJobEnded(results);
}

void StationWindow::ShowProgress(size_t index, int percent) {
    index = RowOf(index);
    if (index >= rows_.size()) return;
    rows_[index].line.Progress(percent);
    if (auto* bar = qobject_cast<QProgressBar*>(table_->cellWidget(static_cast<int>(index), kProgress)))
        bar->setValue(std::clamp(percent, 0, 100));
}

void StationWindow::ShowText(size_t index, const std::string& text) {
    index = RowOf(index);
    if (index >= rows_.size()) return;
    Row& row = rows_[index];
    // The job's own last words, under its state: a re-plug asked for is the
    // state's to say, and goes with it.
    row.line.Note(station::JobBoxText(text));
    if (QTableWidgetItem* item = table_->item(static_cast<int>(index), kResult))
        item->setText(ResultText(row));
}

void StationWindow::ShowState(size_t index, const station::PortStatus& status) {
    index = RowOf(index);
    if (index >= rows_.size()) return;
    Row& row = rows_[index];
    const bool starts = status.phase == station::PortPhase::Writing && !row.line.UnderWay();
    row.line.Apply(status);
    row.stated = true;
    row.hasResult = row.line.Last().has_value();
    if (starts) {
        // The port's next unit: nothing of the last one stays.
        row.result.clear();
        row.meaningTip.clear();
        row.resultTip.clear();
        row.meaning.clear();
    }
    if (status.phase == station::PortPhase::Result && status.outcome) {
        row.resultTip = QString::fromStdString(station::PortOutcomeText(*status.outcome));
        if (!status.outcome->pass) {
            const QString when = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
            failures_->addItem(
                QStringLiteral("%1  %2  %3").arg(when, QString::fromStdString(row.port), row.resultTip));
            failures_->scrollToBottom();
            if (bell_) QApplication::beep();
        }
    }
    ShowRows();
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
    if (UnitsUnderWay() && !ConfirmClose()) return;
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
    if (!job_.joinable()) return;
    stopping_ = true;
    stationOn_ = false;
    // The unit threads may be waiting on the window (a row update, the
    // prompt); release them before waiting for them, or neither side moves.
    calls_->BeginClosing();
    if (replugBox_) replugBox_->reject();
    job_.join();
    // Each unit's line, INTERRUPTED for those the close stopped.
    FinishJob();
    running_ = false;
}

}  // namespace zt::qt
