#include "ui/qt/StationTable.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QProgressBar>

namespace zt::qt {

namespace {

// A failed unit's bar, so that it stands out among the good ones at a glance;
// its figure stays in the middle, where the other bars have theirs.
constexpr const char* kFailedBarStyle =
    "QProgressBar { text-align: center; } QProgressBar::chunk { background-color: #d32f2f; }";

}  // namespace

StationTable::StationTable(const QStringList& headers, QWidget* parent) : QTableWidget(0, kColumns, parent) {
    setHorizontalHeaderLabels(headers);
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setWordWrap(false);
    setTabKeyNavigation(false);
    horizontalHeader()->setSectionResizeMode(kPort, QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(kIds, QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(kResult, QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(kMeaning, QHeaderView::Stretch);
    setColumnWidth(kProgress, 160);
}

void StationTable::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (onEnter) onEnter();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void StationTable::Show(const std::vector<station::RowShown>& rows) {
    setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const station::RowShown& row = rows[i];
        const int r = static_cast<int>(i);
        setItem(r, kPort, new QTableWidgetItem(QString::fromStdString(row.port)));
        setItem(r, kIds, new QTableWidgetItem(QString::fromStdString(row.ids)));
        auto* bar = qobject_cast<QProgressBar*>(cellWidget(r, kProgress));
        if (!bar) {
            bar = new QProgressBar;
            bar->setRange(0, 100);
            setCellWidget(r, kProgress, bar);
        }
        bar->setValue(row.percent);
        bar->setAlignment(Qt::AlignCenter);
        bar->setStyleSheet(row.failed ? QString::fromUtf8(kFailedBarStyle) : QString());
        auto* result = new QTableWidgetItem(QString::fromStdString(row.result));
        if (row.tone != station::RowTone::Plain)
            result->setForeground(row.tone == station::RowTone::Passed ? QColor(Qt::darkGreen)
                                                                       : QColor(Qt::red));
        setItem(r, kResult, result);
        setItem(r, kMeaning, new QTableWidgetItem(QString::fromStdString(row.meaning)));
        // The meaning too, since its column may be cut short.
        const QString tip = QString::fromStdString(row.tip);
        for (int column = 0; column < kColumns; ++column)
            if (QTableWidgetItem* cell = item(r, column)) cell->setToolTip(tip);
        bar->setToolTip(tip);
    }
}

}  // namespace zt::qt
