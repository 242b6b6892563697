#include "app/ui/once_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tintara {

namespace {

// The message text's width: room for the longest one-time message in a handful of lines.
constexpr int kTextWidth = 400;
constexpr int kIconSize = 32;

QPixmap MessageIcon(const QWidget* widget) {
  QIcon icon = QApplication::windowIcon();
  if (icon.isNull() || icon.pixmap(kIconSize, kIconSize).isNull()) {
    icon = widget->style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, widget);
  }
  return icon.pixmap(kIconSize, kIconSize);
}

}  // namespace

COnceDialog::COnceDialog(const QString& text, bool choice, QWidget* parent) : QDialog(parent), choice_(choice) {
  setWindowTitle(QStringLiteral("Tintara Message"));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("messageIcon"));
  icon->setPixmap(MessageIcon(this));
  icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  text_ = new QLabel(text, this);
  text_->setObjectName(QStringLiteral("messageText"));
  text_->setWordWrap(true);
  text_->setTextFormat(Qt::PlainText);
  text_->setFixedWidth(kTextWidth);
  text_->setAlignment(Qt::AlignTop | Qt::AlignLeft);

  check_ = new QCheckBox(QStringLiteral("Don't show this message again"), this);
  check_->setObjectName(QStringLiteral("dontShowAgain"));

  continue_ = new QPushButton(QStringLiteral("Continu&e"), this);
  continue_->setObjectName(QStringLiteral("continueButton"));
  ok_ = new QPushButton(QStringLiteral("&OK"), this);
  ok_->setObjectName(QStringLiteral("okButton"));
  cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel_->setObjectName(QStringLiteral("cancelButton"));
  connect(continue_, &QPushButton::clicked, this, &COnceDialog::accept);
  connect(ok_, &QPushButton::clicked, this, &COnceDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &COnceDialog::reject);

  // Continue is the default push button of a choice; an information message has OK as its only
  // button, so Enter closes either kind the way the user most likely means.
  continue_->setVisible(choice);
  cancel_->setVisible(choice);
  ok_->setVisible(!choice);
  (choice ? continue_ : ok_)->setDefault(true);

  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(text_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(continue_);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(check_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void COnceDialog::accept() {
  dontShowAgain_ = check_->isChecked();
  QDialog::accept();
}

void COnceDialog::reject() {
  dontShowAgain_ = false;
  QDialog::reject();
}

}  // namespace tintara
