#include "ui/qt/StationIdentityFields.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <string>

namespace zt::qt {

namespace {

QLineEdit* AddField(QHBoxLayout* row, const QString& caption, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setMaxLength(static_cast<int>(station::kMaxIdentityText));
    auto* label = new QLabel(caption, parent);
    label->setBuddy(field);
    row->addWidget(label);
    row->addWidget(field, 1);
    return field;
}

}  // namespace

StationIdentityFields::StationIdentityFields(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    // Alt+W and Alt+R belong to the buttons below.
    stationId_ = AddField(row, tr("&Station ID:"), this);
    operator_ = AddField(row, tr("&Operator:"), this);
    workOrder_ = AddField(row, tr("Wor&k order:"), this);
    setTabOrder(stationId_, operator_);
    setTabOrder(operator_, workOrder_);
}

void StationIdentityFields::Show(const station::StationIdentity& identity) {
    stationId_->setText(QString::fromStdString(identity.stationId));
    operator_->setText(QString::fromStdString(identity.operatorName));
    workOrder_->setText(QString::fromStdString(identity.workOrder));
}

std::optional<station::StationIdentity> StationIdentityFields::Take(QString* error) {
    station::StationIdentity identity;
    const struct {
        QLineEdit* field;
        const char* name;
        std::string* into;
    } fields[] = {{stationId_, "Station ID", &identity.stationId},
                  {operator_, "Operator", &identity.operatorName},
                  {workOrder_, "Work order", &identity.workOrder}};
    for (const auto& f : fields) {
        // The field counts characters, a record counts bytes: a long name in
        // another script may still be too long.
        *f.into = f.field->text().trimmed().toStdString();
        std::string reason;
        if (!station::CheckIdentityText(f.name, *f.into, &reason)) {
            *error = QString::fromStdString(reason);
            f.field->setFocus();
            return std::nullopt;
        }
    }
    return identity;
}

}  // namespace zt::qt
