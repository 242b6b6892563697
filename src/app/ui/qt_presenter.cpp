#include "app/ui/qt_presenter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include "app/ui/folder_dialog.h"
#include "app/ui/once_dialog.h"
#include "app/ui/profile_description_dialog.h"
#include "base/ui/ui_text.h"
#include "image/ui/enter_zoom_dialog.h"
#include "image/ui/jpeg_save_dialog.h"

namespace tintara {

namespace {

int AskButtons(QWidget* owner, const std::string& caption, const std::string& text,
               QMessageBox::StandardButtons buttons, QMessageBox::StandardButton escape) {
  QMessageBox box(QMessageBox::Warning, ui::ToQString(caption), ui::ToQString(text), buttons, owner);
  box.setEscapeButton(escape);
  return box.exec();
}

// The pattern part Qt reads from a filter: "(*.tif *.tiff)". "*.*" means every file, also one
// without an extension, as photographers expect from "All files".
QString QtPatterns(const FileFilter& filter) {
  QStringList patterns;
  for (const std::string& pattern : filter.patterns) {
    patterns << (pattern == "*.*" ? QStringLiteral("*") : ui::ToQString(pattern));
  }
  if (patterns.isEmpty()) patterns << QStringLiteral("*");
  return QStringLiteral("(%1)").arg(patterns.join(QLatin1Char(' ')));
}

}  // namespace

QtMessagePresenter::QtMessagePresenter(QMainWindow* owner) : owner_(owner) { SetPresenter(this); }

QtMessagePresenter::~QtMessagePresenter() {
  if (&Presenter() == this) SetPresenter(nullptr);
}

void QtMessagePresenter::ShowMessageBox(const std::string& caption, const std::string& text) {
  AskButtons(owner_, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtMessagePresenter::ShowStatus(const std::string& text) {
  if (owner_) {
    owner_->statusBar()->showMessage(ui::ToQString(text));
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

OnceDialogAnswer QtMessagePresenter::ShowOnceDialog(const std::string& text, bool choice) {
  COnceDialog dialog(ui::ToQString(text), choice, owner_);
  const bool ok = dialog.exec() == QDialog::Accepted;
  return {ok, ok && dialog.dontShowAgain()};
}

bool QtMessagePresenter::AskYesNo(const std::string& caption, const std::string& text) {
  return AskButtons(owner_, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

YesNoCancel QtMessagePresenter::AskYesNoCancel(const std::string& caption, const std::string& text) {
  switch (AskButtons(owner_, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                     QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return YesNoCancel::kYes;
    case QMessageBox::No:
      return YesNoCancel::kNo;
    default:
      return YesNoCancel::kCancel;
  }
}

DescriptionAnswer QtMessagePresenter::AskDescription(const std::string& initial) {
  CProfileDescriptionDialog dialog(ui::ToQString(initial), owner_);
  const bool ok = dialog.exec() == QDialog::Accepted;
  return {ok, ui::ToUtf8(dialog.description()), dialog.saveToDisk()};
}

FileDialogAnswer QtMessagePresenter::AskFiles(const FileDialogRequest& request) {
  QFileDialog dialog(owner_, ui::ToQString(request.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  switch (request.kind) {
    case FileDialogRequest::Kind::kOpen:
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
      break;
    case FileDialogRequest::Kind::kOpenSeveral:
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFiles);
      break;
    case FileDialogRequest::Kind::kSave:
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
      break;
  }

  // The type list shows each label exactly as written ("TIFF file (*.tif; *.tiff)"); Qt reads the
  // patterns from a part appended to it that the dialog keeps out of sight.
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  QStringList filters;
  for (const FileFilter& filter : request.filters) {
    filters << ui::ToQString(filter.label) + QLatin1Char(' ') + QtPatterns(filter);
  }
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int selected = request.selectedFilter >= 0 && request.selectedFilter < filters.size() ? request.selectedFilter : 0;
    dialog.selectNameFilter(filters.at(selected));
  }

  if (!request.folder.empty()) dialog.setDirectory(ui::ToQString(request.folder));
  if (!request.defaultSuffix.empty()) dialog.setDefaultSuffix(ui::ToQString(request.defaultSuffix));
  if (!request.fileName.empty()) dialog.selectFile(ui::ToQString(request.fileName));

  FileDialogAnswer answer;
  answer.ok = dialog.exec() == QDialog::Accepted;
  // With the patterns hidden, some Qt versions report the entry as shown rather than as given.
  const QString chosen = dialog.selectedNameFilter();
  for (qsizetype i = 0; i < filters.size(); ++i) {
    if (chosen == filters.at(i) || chosen == ui::ToQString(request.filters[i].label).simplified()) {
      answer.chosenFilter = static_cast<int>(i);
      break;
    }
  }
  if (!answer.ok) return answer;
  for (const QString& path : dialog.selectedFiles()) answer.paths.push_back(ui::ToUtf8(path));
  if (answer.paths.empty()) answer.ok = false;
  return answer;
}

std::optional<std::string> QtMessagePresenter::AskFolder(const std::string& title, const std::string& initial) {
  CFolderDialog dialog(ui::ToQString(title), ui::ToQString(initial), owner_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QString folder = dialog.folderPath();
  if (folder.isEmpty()) return std::nullopt;
  return ui::ToUtf8(folder);
}

std::optional<int> QtMessagePresenter::AskJpegQuality(int initial) {
  CJPEGSaveDialog dialog(initial, owner_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.quality();
}

std::optional<int> QtMessagePresenter::AskZoomPercent(int initial, int low, int high) {
  CEnterZoomDialog dialog(initial, low, high, owner_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.percent();
}

}  // namespace tintara
