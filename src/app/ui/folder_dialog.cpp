#include "app/ui/folder_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace tintara {

CFolderDialog::CFolderDialog(const QString& title, const QString& initialFolder, QWidget* parent)
    : QFileDialog(parent, title) {
  // Qt's own dialog behaves the same on every desktop and can be driven by the tests; the
  // platform's would differ in what it lets the user pick.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setOption(QFileDialog::ShowDirsOnly, true);
  setFileMode(QFileDialog::Directory);
  setAcceptMode(QFileDialog::AcceptOpen);
  if (!initialFolder.isEmpty() && QFileInfo(initialFolder).isDir()) {
    setDirectory(initialFolder);
  }
}

QString CFolderDialog::folderPath() const {
  if (result() != QDialog::Accepted) return {};
  const QStringList chosen = selectedFiles();
  if (chosen.isEmpty()) return {};
  return QDir::cleanPath(chosen.front());
}

}  // namespace tintara
