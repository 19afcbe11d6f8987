#pragma once
#include <QString>
#include <QWidget>
#include <deque>
#include <string>

class QLabel;
class QLineEdit;

namespace zt::qt {

// Where a scanner types a unit's code and Enter (Alt+B): the code waits,
// shown as "next unit: CODE", for the next unit that starts, and the field
// clears for the next scan. Codes scanned before their units wait in order.
//
// Threads: the user-interface thread only; a unit's thread takes its code
// through the window's UiThreadCalls, so that two units starting at once
// never get the same code.
class BarcodeScanField : public QWidget {
    Q_OBJECT

public:
    explicit BarcodeScanField(QWidget* parent = nullptr);

    // The oldest waiting code, now the caller's; "" when none waits.
    std::string Take();

    QLineEdit* Field() const { return field_; }
    QLabel* Waiting() const { return waiting_; }

private:
    void Scanned();
    void ShowWaiting(const QString& note = {});

    QLineEdit* field_;
    QLabel* waiting_;
    std::deque<std::string> codes_;
};

}  // namespace zt::qt
