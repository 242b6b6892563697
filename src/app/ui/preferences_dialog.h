#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tintara {

// "Tintara Preferences": the profile folder, the monitor adjustment of the display and the default
// JPEG quality, filled from the settings. Only "Use Defaults" writes the settings itself (at once);
// everything else is read back by the Preferences command after OK.
class CPreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  // The longest profile folder the dialog accepts.
  static constexpr int kMaxPathLength = 225;

  // `monitorAdjustable` false stands for a system whose display cannot be adjusted for the monitor:
  // the check box is then cleared and disabled.
  explicit CPreferencesDialog(QWidget* parent = nullptr, bool monitorAdjustable = true);

  QString path() const;
  bool adjustForMonitor() const;
  // The quality to store: the stored value until the slider is moved, then the slider's position.
  int quality() const { return quality_; }
  // Whether "Reset Help Dialogs" was pressed.
  bool resetHelp() const { return resetHelp_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FillFromSettings();
  void SetPathText(const QString& text);
  void ShowQuality(int position);
  void Browse();
  void UseDefaults();

  QLineEdit* path_ = nullptr;
  QCheckBox* monitor_ = nullptr;
  QSlider* slider_ = nullptr;
  QLabel* value_ = nullptr;
  QPushButton* resetHelpButton_ = nullptr;
  bool monitorAdjustable_ = true;
  bool resetHelp_ = false;
  int quality_ = 0;
};

}  // namespace tintara
