#include "image/ui/enter_zoom_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>
#include <algorithm>

#include "base/ui/dialog_buttons.h"

namespace tintara {

CEnterZoomDialog::CEnterZoomDialog(int initialPercent, int lowestPercent, int highestPercent, QWidget* parent)
    : QDialog(parent),
      percent_(initialPercent),
      low_(std::min(lowestPercent, highestPercent)),
      high_(std::max(lowestPercent, highestPercent)) {
  setWindowTitle(QStringLiteral("Enter Zoom"));

  auto* group = new QGroupBox(QStringLiteral("Zoom (%1% - %2%)").arg(low_).arg(high_), this);
  group->setObjectName(QStringLiteral("zoomGroup"));
  edit_ = new QLineEdit(QString::number(initialPercent), group);
  edit_->setObjectName(QStringLiteral("percent"));
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(edit_);

  QDialogButtonBox* buttons = OkCancelButtons(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CEnterZoomDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  edit_->setFocus(Qt::OtherFocusReason);
  edit_->selectAll();
}

void CEnterZoomDialog::accept() {
  bool isNumber = false;
  // Surrounding blanks are forgiven; anything else that is not a whole number is not.
  const qlonglong value = edit_->text().trimmed().toLongLong(&isNumber);
  if (!isNumber) {
    Refuse(QStringLiteral("Please enter an integer."));
    return;
  }
  if (value < low_ || value > high_) {
    Refuse(QStringLiteral("Please enter an integer between %1 and %2.").arg(low_).arg(high_));
    return;
  }
  percent_ = static_cast<int>(value);
  QDialog::accept();
}

void CEnterZoomDialog::Refuse(const QString& message) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Tintara Warning"), message, QMessageBox::Ok, this);
  box.exec();
  // Back to the number, ready to be typed over.
  edit_->setFocus(Qt::OtherFocusReason);
  edit_->selectAll();
}

}  // namespace tintara
