#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;

namespace tintara {

// "New Profile": asks for the description of a profile just created, at most 63 characters (what
// the profile's text field holds), and whether to save the profile to disk at once.
class CProfileDescriptionDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMaxDescriptionLength = 63;

  explicit CProfileDescriptionDialog(const QString& initial, QWidget* parent = nullptr);

  QString description() const;
  // True only when the box was ticked and the dialog closed with OK.
  bool saveToDisk() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* edit_ = nullptr;
  QCheckBox* save_ = nullptr;
};

}  // namespace tintara
