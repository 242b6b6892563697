#include "app/ui/preferences_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "app/messages.h"
#include "app/settings.h"
#include "base/strings.h"
#include "base/ui/ui_text.h"

namespace tintara {
namespace {

constexpr int kBrowseTitle = 33027;  // "Browse for profile folder"
constexpr int kWarningCaption = 33029;
constexpr int kLowestQuality = 1;
constexpr int kHighestQuality = 100;

// Where the folder browser opens: the folder typed, or, while that does not exist (a folder about
// to be made, a mistyped one), the nearest folder above it that does; the home folder when none
// does. Otherwise the browser would open wherever the program happened to be started.
QString BrowseStart(const QString& typed) {
  if (typed.isEmpty()) return QDir::homePath();
  QString folder = QDir::cleanPath(typed);
  while (!QFileInfo(folder).isDir()) {
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || parent == QStringLiteral(".")) return QDir::homePath();
    folder = parent;
  }
  return folder;
}

}  // namespace

CPreferencesDialog::CPreferencesDialog(QWidget* parent, bool monitorAdjustable)
    : QDialog(parent), monitorAdjustable_(monitorAdjustable) {
  setWindowTitle(QStringLiteral("Tintara Preferences"));

  auto* general = new QGroupBox(QStringLiteral("General"), this);

  auto* folderGroup = new QGroupBox(QStringLiteral("Profiles Folder"), general);
  auto* pathLabel = new QLabel(QStringLiteral("&Path to Default Profiles Folder"), folderGroup);
  path_ = new QLineEdit(folderGroup);
  path_->setObjectName(QStringLiteral("profileFolder"));
  // Room for a usual folder; a longer one scrolls.
  path_->setMinimumWidth(path_->fontMetrics().averageCharWidth() * 48);
  pathLabel->setBuddy(path_);
  auto* browse = new QPushButton(QStringLiteral("&Browse..."), folderGroup);
  browse->setObjectName(QStringLiteral("browseButton"));
  browse->setAutoDefault(false);
  auto* folderLayout = new QGridLayout(folderGroup);
  folderLayout->addWidget(pathLabel, 0, 0, 1, 2);
  folderLayout->addWidget(path_, 1, 0);
  folderLayout->addWidget(browse, 1, 1);
  folderLayout->setColumnStretch(0, 1);

  auto* colorGroup = new QGroupBox(QStringLiteral("Color Management"), general);
  auto* displayLabel = new QLabel(QStringLiteral("&Display"), colorGroup);
  monitor_ = new QCheckBox(QStringLiteral("&Adjust for Default Monitor Profile"), colorGroup);
  monitor_->setObjectName(QStringLiteral("adjustForMonitor"));
  displayLabel->setBuddy(monitor_);
  auto* colorLayout = new QHBoxLayout(colorGroup);
  colorLayout->addWidget(displayLabel);
  colorLayout->addSpacing(12);
  colorLayout->addWidget(monitor_, 1);

  auto* qualityGroup = new QGroupBox(QStringLiteral("Default JPEG Quality"), general);
  slider_ = new QSlider(Qt::Horizontal, qualityGroup);
  slider_->setObjectName(QStringLiteral("quality"));
  slider_->setRange(kLowestQuality, kHighestQuality);
  slider_->setSingleStep(1);
  slider_->setPageStep(10);
  slider_->setTickInterval(10);
  slider_->setTickPosition(QSlider::TicksBelow);
  value_ = new QLabel(QStringLiteral("100%"), qualityGroup);
  value_->setObjectName(QStringLiteral("qualityText"));
  value_->setAlignment(Qt::AlignCenter);
  // Wide enough for "100%" so the label does not jump while the slider moves.
  value_->setMinimumWidth(value_->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
  auto* low = new QLabel(QStringLiteral("Low"), qualityGroup);
  auto* high = new QLabel(QStringLiteral("High"), qualityGroup);
  high->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* qualityLayout = new QGridLayout(qualityGroup);
  qualityLayout->addWidget(value_, 0, 0, 1, 3);
  qualityLayout->addWidget(low, 1, 0);
  qualityLayout->addWidget(slider_, 1, 1);
  qualityLayout->addWidget(high, 1, 2);
  qualityLayout->setColumnStretch(1, 1);

  auto* generalLayout = new QVBoxLayout(general);
  generalLayout->addWidget(folderGroup);
  generalLayout->addWidget(colorGroup);
  generalLayout->addWidget(qualityGroup);

  resetHelpButton_ = new QPushButton(QStringLiteral("&Reset Help Dialogs"), this);
  resetHelpButton_->setObjectName(QStringLiteral("resetHelpButton"));
  resetHelpButton_->setAutoDefault(false);
  resetHelpButton_->setToolTip(
      QStringLiteral("Show again every message silenced with \"Don't show this message again\" (after OK)"));
  auto* useDefaults = new QPushButton(QStringLiteral("&Use Defaults"), this);
  useDefaults->setObjectName(QStringLiteral("useDefaultsButton"));
  useDefaults->setAutoDefault(false);
  // It writes at once, and Cancel takes back only three of the values: worth saying before the click.
  useDefaults->setToolTip(QStringLiteral("Return every setting to its default now; Cancel takes back only the "
                                         "folder, the monitor adjustment and the JPEG quality"));
  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  cancel->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(resetHelpButton_);
  buttons->addWidget(useDefaults);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(general);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(browse, &QPushButton::clicked, this, &CPreferencesDialog::Browse);
  connect(useDefaults, &QPushButton::clicked, this, &CPreferencesDialog::UseDefaults);
  connect(resetHelpButton_, &QPushButton::clicked, this, [this] {
    resetHelp_ = true;
    // Nothing happens before OK; the disabled button shows the press was taken.
    resetHelpButton_->setEnabled(false);
  });
  // Once a long folder has been shortened to fit, the limit holds again.
  connect(path_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (text.size() <= kMaxPathLength) path_->setMaxLength(kMaxPathLength);
  });
  connect(ok, &QPushButton::clicked, this, &CPreferencesDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  // Every move of the slider, by mouse, keys or wheel, becomes the quality to store.
  connect(slider_, &QSlider::valueChanged, this, [this](int position) {
    quality_ = position;
    ShowQuality(position);
  });

  FillFromSettings();
  if (!monitorAdjustable_) monitor_->setEnabled(false);
}

QString CPreferencesDialog::path() const { return path_->text(); }

bool CPreferencesDialog::adjustForMonitor() const { return monitorAdjustable_ && monitor_->isChecked(); }

void CPreferencesDialog::FillFromSettings() {
  const CSettings& settings = Settings();
  SetPathText(ui::ToQString(settings.ProfileFolder()));
  monitor_->setChecked(monitorAdjustable_ && settings.ICMFlag());
  // A stored quality outside the slider's range (the store takes any number) is shown at the
  // nearest end but kept as it is unless the user moves the slider.
  const int stored = settings.JPEGQuality();
  {
    const QSignalBlocker quiet(slider_);
    slider_->setValue(stored);
  }
  quality_ = stored;
  ShowQuality(slider_->value());
}

void CPreferencesDialog::SetPathText(const QString& text) {
  // The limit keeps typing and pasting within 225 characters. A longer folder that comes from the
  // store or the folder browser is shown whole rather than cut to a different folder; OK then
  // refuses it until it is shortened.
  path_->setMaxLength(text.size() > kMaxPathLength ? 32767 : kMaxPathLength);
  path_->setText(text);
}

void CPreferencesDialog::ShowQuality(int position) { value_->setText(QStringLiteral("%1%").arg(position)); }

void CPreferencesDialog::Browse() {
  const std::optional<std::string> folder =
      Presenter().AskFolder(StringOrEmpty(kBrowseTitle), ui::ToUtf8(BrowseStart(path_->text())));
  if (folder) SetPathText(ui::ToQString(*folder));
}

void CPreferencesDialog::UseDefaults() {
  Settings().RestoreDefaults(true);
  FillFromSettings();
  // The quality is the value most often tuned again from the defaults.
  slider_->setFocus(Qt::OtherFocusReason);
}

void CPreferencesDialog::accept() {
  if (path_->text().size() > kMaxPathLength) {
    Presenter().ShowMessageBox(StringOrEmpty(kWarningCaption),
                               "Please enter no more than " + std::to_string(kMaxPathLength) + " characters.");
    path_->setFocus(Qt::OtherFocusReason);
    path_->selectAll();
    return;
  }
  QDialog::accept();
}

void CPreferencesDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  path_->setFocus(Qt::OtherFocusReason);
}

}  // namespace tintara
