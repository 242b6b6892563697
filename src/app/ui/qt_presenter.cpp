#include "app/ui/qt_presenter.h"

#include <QMainWindow>

namespace tintara {

// A first cut that the dialogs' own work replaces: the frame links against it.
QtMessagePresenter::QtMessagePresenter(QMainWindow* owner) : owner_(owner) { SetPresenter(this); }
QtMessagePresenter::~QtMessagePresenter() { SetPresenter(nullptr); }
void QtMessagePresenter::ShowMessageBox(const std::string&, const std::string&) {}
void QtMessagePresenter::ShowStatus(const std::string&) {}
OnceDialogAnswer QtMessagePresenter::ShowOnceDialog(const std::string&, bool) { return {true, false}; }
bool QtMessagePresenter::AskYesNo(const std::string&, const std::string&) { return false; }
YesNoCancel QtMessagePresenter::AskYesNoCancel(const std::string&, const std::string&) { return YesNoCancel::kCancel; }
DescriptionAnswer QtMessagePresenter::AskDescription(const std::string& initial) { return {true, initial, false}; }
void QtMessagePresenter::EndProgram(int, bool) {}
FileDialogAnswer QtMessagePresenter::AskFiles(const FileDialogRequest&) { return {}; }
std::optional<std::string> QtMessagePresenter::AskFolder(const std::string&, const std::string&) { return std::nullopt; }
std::optional<int> QtMessagePresenter::AskJpegQuality(int) { return std::nullopt; }
std::optional<int> QtMessagePresenter::AskZoomPercent(int, int, int) { return std::nullopt; }

}  // namespace tintara
