#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tintara {

// The one-time message box ("Tintara Message"): the message with the application's icon and the
// check box "Don't show this message again". An information message offers OK alone; a choice
// (a warning that Create Profile may go on from) offers Continue and Cancel instead. Only OK and
// Continue take the check box at its word: a Cancel, or closing the box, leaves the message to be
// shown again next time, so nobody silences a warning they did not accept.
class COnceDialog : public QDialog {
  Q_OBJECT

 public:
  COnceDialog(const QString& text, bool choice, QWidget* parent = nullptr);

  bool choice() const { return choice_; }
  // The check box as read when the box closed with OK or Continue; false after Cancel or closing.
  bool dontShowAgain() const { return dontShowAgain_; }

  void accept() override;
  void reject() override;

 private:
  bool choice_;
  bool dontShowAgain_ = false;
  QLabel* text_ = nullptr;
  QCheckBox* check_ = nullptr;
  QPushButton* continue_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace tintara
