#pragma once
#include <QStringList>
#include <QTableWidget>
#include <functional>
#include <vector>

#include "station/presenter/StationRow.h"

namespace zt::qt {

// The station window's unit rows: port, IDs, a progress bar (red once the
// port's last unit failed), the result in its colour, and what to do about a
// failure; the whole row explains itself under the pointer. Enter on the
// table is the window's to handle (it writes); Tab leaves the table for the
// buttons instead of walking its cells.
class StationTable : public QTableWidget {
    Q_OBJECT

public:
    enum Column { kPort, kIds, kProgress, kResult, kMeaning, kColumns };

    // `headers`: the columns' titles, in the window's own texts.
    StationTable(const QStringList& headers, QWidget* parent = nullptr);

    void Show(const std::vector<station::RowShown>& rows);

    std::function<void()> onEnter;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace zt::qt
