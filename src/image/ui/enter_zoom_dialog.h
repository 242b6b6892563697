#pragma once

#include <QDialog>

class QLineEdit;

namespace tintara {

// "Enter Zoom": a whole percentage within the range the view allows. OK checks the number and keeps
// the dialog open, with a message, until it is a whole number in range.
class CEnterZoomDialog : public QDialog {
  Q_OBJECT

 public:
  CEnterZoomDialog(int initialPercent, int lowestPercent, int highestPercent, QWidget* parent = nullptr);

  // The accepted percentage (after OK); the initial value before.
  int percent() const { return percent_; }

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Refuse(const QString& message);

  int percent_;
  int low_;
  int high_;
  QLineEdit* edit_ = nullptr;
};

}  // namespace tintara
