#pragma once
#include <QString>
#include <QWidget>
#include <optional>

#include "station/records/StationIdentity.h"

class QLineEdit;

namespace zt::qt {

// Who runs the station, as three labelled fields in a row: Station ID
// (Alt+S), Operator (Alt+O) and Work order (Alt+K). They start with the
// options and the station settings, can be changed between runs, and each
// run takes them as they are when it starts.
class StationIdentityFields : public QWidget {
    Q_OBJECT

public:
    explicit StationIdentityFields(QWidget* parent = nullptr);

    void Show(const station::StationIdentity& identity);
    // The fields as typed, without leading or trailing blanks; none, with the
    // reason, when one of them cannot go into a record (that one then has
    // the keyboard).
    std::optional<station::StationIdentity> Take(QString* error);

    QLineEdit* StationId() const { return stationId_; }
    QLineEdit* Operator() const { return operator_; }
    QLineEdit* WorkOrder() const { return workOrder_; }

private:
    QLineEdit* stationId_;
    QLineEdit* operator_;
    QLineEdit* workOrder_;
};

}  // namespace zt::qt
