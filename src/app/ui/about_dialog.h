#pragma once

#include <QDialog>

namespace tintara {

// "About Tintara": the product and file versions and a few words on what the program does, under a
// white band across the top with a thin black line below it.
class CAboutDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kBandHeight = 100;

  explicit CAboutDialog(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tintara
