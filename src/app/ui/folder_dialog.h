#pragma once

#include <QFileDialog>
#include <QString>

namespace tintara {

// The folder browser: a file dialog that lists and returns folders only, opened in the folder the
// caller starts from (when it exists) and owned by the caller's window.
class CFolderDialog : public QFileDialog {
  Q_OBJECT

 public:
  CFolderDialog(const QString& title, const QString& initialFolder, QWidget* parent = nullptr);

  // The folder chosen with OK; empty when the dialog was cancelled or nothing was chosen.
  QString folderPath() const;
};

}  // namespace tintara
