#include "app/ui/about_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/settings.h"
#include "base/ui/ui_text.h"

namespace tintara {

namespace {

constexpr int kIconSize = 64;

const char kInformation[] =
    "Tintara makes a color profile from a photograph of a Lumeno color card and corrects your "
    "photographs with it, one at a time or as a batch, saving them as TIFF or JPEG.\n\n"
    "Press F1 for the help document.";

// The program's icon, drawn from the resource when this Qt can draw it, otherwise the window icon.
QPixmap ProgramIcon() {
  const QString resource = QStringLiteral(":/icons/tintara.svg");
  if (QFile::exists(resource)) {
    const QPixmap pixmap = QIcon(resource).pixmap(kIconSize, kIconSize);
    if (!pixmap.isNull()) return pixmap;
  }
  return QApplication::windowIcon().pixmap(kIconSize, kIconSize);
}

}  // namespace

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Tintara"));
  const CSettings& settings = Settings();

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("programIcon"));
  icon->setPixmap(ProgramIcon());
  icon->setFixedSize(kIconSize, kIconSize);

  auto* product = new QLabel(QStringLiteral("Tintara Version %1").arg(ui::ToQString(settings.ProductVersionText())), this);
  product->setObjectName(QStringLiteral("productVersion"));
  QFont bold = product->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  product->setFont(bold);
  auto* file = new QLabel(QStringLiteral("File version %1").arg(ui::ToQString(settings.FileVersionText())), this);
  file->setObjectName(QStringLiteral("fileVersion"));

  // The band's content sits inside the white top band, whatever the style's palette.
  QPalette onWhite = palette();
  onWhite.setColor(QPalette::WindowText, Qt::black);
  product->setPalette(onWhite);
  file->setPalette(onWhite);

  auto* band = new QWidget(this);
  band->setFixedHeight(kBandHeight);
  auto* bandLayout = new QGridLayout(band);
  bandLayout->addWidget(icon, 0, 0, 2, 1, Qt::AlignVCenter);
  bandLayout->addWidget(product, 0, 1, Qt::AlignBottom);
  bandLayout->addWidget(file, 1, 1, Qt::AlignTop);
  bandLayout->setColumnStretch(1, 1);
  bandLayout->setHorizontalSpacing(16);

  auto* information = new QLabel(QString::fromUtf8(kInformation), this);
  information->setObjectName(QStringLiteral("information"));
  information->setWordWrap(true);
  information->setMinimumWidth(360);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(band);
  auto* lower = new QVBoxLayout;
  lower->setContentsMargins(16, 16, 16, 12);
  lower->setSpacing(12);
  lower->addWidget(information);
  lower->addWidget(buttons);
  layout->addLayout(lower);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CAboutDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.fillRect(0, 0, width(), kBandHeight, Qt::white);
  painter.fillRect(0, kBandHeight, width(), 1, Qt::black);
}

}  // namespace tintara
