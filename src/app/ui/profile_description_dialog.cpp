#include "app/ui/profile_description_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "base/ui/dialog_buttons.h"

namespace tintara {

CProfileDescriptionDialog::CProfileDescriptionDialog(const QString& initial, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("New Profile"));

  auto* group = new QGroupBox(QStringLiteral("Enter Profile Description (Max 63 Characters)"), this);
  edit_ = new QLineEdit(group);
  edit_->setObjectName(QStringLiteral("description"));
  edit_->setMaxLength(kMaxDescriptionLength);
  edit_->setText(initial);
  edit_->setMinimumWidth(edit_->fontMetrics().averageCharWidth() * 50);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(edit_);

  save_ = new QCheckBox(QStringLiteral("Save the new Profile to disk"), this);
  save_->setObjectName(QStringLiteral("saveToDisk"));

  QDialogButtonBox* buttons = OkCancelButtons(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(save_);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CProfileDescriptionDialog::description() const { return edit_->text(); }

bool CProfileDescriptionDialog::saveToDisk() const { return result() == QDialog::Accepted && save_->isChecked(); }

void CProfileDescriptionDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The proposed description is usually replaced as a whole, so it starts selected; the caret
  // lands at its end, which keeps the end of a long text in view.
  edit_->setFocus(Qt::OtherFocusReason);
  edit_->selectAll();
}

}  // namespace tintara
