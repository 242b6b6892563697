#include "cli/cli_presenter.h"

#include <cstdio>

namespace tintara::cli {

CliPresenter::CliPresenter() { SetPresenter(this); }
CliPresenter::~CliPresenter() { SetPresenter(nullptr); }

void CliPresenter::ShowMessageBox(const std::string& caption, const std::string& text) {
  if (caption == "Tintara Error") errorShown_ = true;
  if (!boxesShown_.insert(caption + '\n' + text).second) return;
  std::fprintf(stderr, "tintara-cli: %s\n", text.c_str());
}

void CliPresenter::ShowStatus(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

OnceDialogAnswer CliPresenter::ShowOnceDialog(const std::string& text, bool choice) {
  std::fprintf(stderr, "tintara-cli: %s\n", text.c_str());
  if (!choice) return {true, false};
  ++findingsShown_;
  if (strict_) std::fprintf(stderr, "tintara-cli: stopped (--strict)\n");
  return {!strict_, false};
}

bool CliPresenter::AskYesNo(const std::string&, const std::string& text) {
  std::fprintf(stderr, "tintara-cli: %s (no)\n", text.c_str());
  return false;
}

YesNoCancel CliPresenter::AskYesNoCancel(const std::string&, const std::string& text) {
  std::fprintf(stderr, "tintara-cli: %s (cancel)\n", text.c_str());
  return YesNoCancel::kCancel;
}

DescriptionAnswer CliPresenter::AskDescription(const std::string& initial) {
  return {true, hasDescription_ ? description_ : initial, false};
}

}  // namespace tintara::cli
