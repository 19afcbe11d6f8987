#include "ui/qt/BarcodeScanField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include "station/records/StationIdentity.h"

namespace zt::qt {

BarcodeScanField::BarcodeScanField(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    field_ = new QLineEdit(this);
    field_->setMaxLength(static_cast<int>(station::kMaxIdentityText));
    auto* label = new QLabel(tr("&Barcode:"), this);
    label->setBuddy(field_);
    waiting_ = new QLabel(this);
    waiting_->setTextFormat(Qt::PlainText);
    row->addWidget(label);
    row->addWidget(field_, 1);
    row->addWidget(waiting_, 2);
    connect(field_, &QLineEdit::returnPressed, this, [this] { Scanned(); });
    ShowWaiting();
}

std::string BarcodeScanField::Take() {
    if (codes_.empty()) return "";
    std::string code = std::move(codes_.front());
    codes_.pop_front();
    ShowWaiting();
    return code;
}

void BarcodeScanField::Scanned() {
    const std::string code = field_->text().trimmed().toStdString();
    // Cleared either way: the next scan must not be appended to this one.
    field_->clear();
    std::string reason;
    if (code.empty()) return;
    if (!station::CheckIdentityText("Barcode", code, &reason)) {
        ShowWaiting(QString::fromStdString(reason) + tr("; scan it again. "));
        return;
    }
    codes_.push_back(code);
    ShowWaiting();
}

void BarcodeScanField::ShowWaiting(const QString& note) {
    if (codes_.empty()) {
        waiting_->setText(note + tr("no code waiting"));
        return;
    }
    QStringList codes;
    for (const std::string& code : codes_) codes << QString::fromStdString(code);
    waiting_->setText(note + (codes.size() == 1 ? tr("next unit: ") : tr("next units: ")) +
                      codes.join(QStringLiteral(", ")));
}

}  // namespace zt::qt
