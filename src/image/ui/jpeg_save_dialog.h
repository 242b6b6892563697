#pragma once

#include <QDialog>

class QLabel;
class QSlider;

namespace tintara {

// "JPEG Options": the quality of a JPEG file to be written, 1 (smallest file) to 100 (best image),
// on a slider whose label shows the value as a percentage.
class CJPEGSaveDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kLowest = 1;
  static constexpr int kHighest = 100;

  // An initial quality outside 1..100 is brought to the nearer end.
  explicit CJPEGSaveDialog(int initialQuality, QWidget* parent = nullptr);

  int quality() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowQuality(int quality);

  QSlider* slider_ = nullptr;
  QLabel* value_ = nullptr;
};

}  // namespace tintara
