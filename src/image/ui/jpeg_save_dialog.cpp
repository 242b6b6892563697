#include "image/ui/jpeg_save_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "base/ui/dialog_buttons.h"

namespace tintara {

CJPEGSaveDialog::CJPEGSaveDialog(int initialQuality, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("JPEG Options"));

  auto* group = new QGroupBox(QStringLiteral("JPEG Image Quality"), this);
  slider_ = new QSlider(Qt::Horizontal, group);
  slider_->setObjectName(QStringLiteral("quality"));
  slider_->setRange(kLowest, kHighest);
  slider_->setSingleStep(1);
  slider_->setPageStep(10);
  slider_->setTickInterval(10);
  slider_->setTickPosition(QSlider::TicksBelow);
  slider_->setValue(std::clamp(initialQuality, kLowest, kHighest));
  slider_->setMinimumWidth(260);

  value_ = new QLabel(group);
  value_->setObjectName(QStringLiteral("qualityText"));
  value_->setAlignment(Qt::AlignCenter);
  // Wide enough for "100%" so the label does not jump while the slider moves.
  value_->setMinimumWidth(value_->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
  auto* low = new QLabel(QStringLiteral("Low"), group);
  low->setObjectName(QStringLiteral("lowLabel"));
  auto* high = new QLabel(QStringLiteral("High"), group);
  high->setObjectName(QStringLiteral("highLabel"));
  high->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  auto* grid = new QGridLayout(group);
  grid->addWidget(value_, 0, 0, 1, 3);
  grid->addWidget(low, 1, 0);
  grid->addWidget(slider_, 1, 1);
  grid->addWidget(high, 1, 2);
  grid->setColumnStretch(1, 1);

  connect(slider_, &QSlider::valueChanged, this, &CJPEGSaveDialog::ShowQuality);
  ShowQuality(slider_->value());

  QDialogButtonBox* buttons = OkCancelButtons(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

int CJPEGSaveDialog::quality() const { return slider_->value(); }

void CJPEGSaveDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The arrow and page keys move the quality straight away.
  slider_->setFocus(Qt::OtherFocusReason);
}

void CJPEGSaveDialog::ShowQuality(int quality) { value_->setText(QStringLiteral("%1%").arg(quality)); }

}  // namespace tintara
