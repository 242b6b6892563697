#include "support/scripted_presenter.h"

namespace tintara::test {

ScriptedPresenter::ScriptedPresenter() { SetPresenter(this); }
ScriptedPresenter::~ScriptedPresenter() { SetPresenter(nullptr); }

std::vector<ScriptedPresenter::Shown> ScriptedPresenter::Of(const std::string& kind) const {
  std::vector<Shown> out;
  for (const Shown& s : shown) {
    if (s.kind == kind) out.push_back(s);
  }
  return out;
}

void ScriptedPresenter::ShowMessageBox(const std::string& caption, const std::string& text) {
  shown.push_back({"box", caption, text});
}

void ScriptedPresenter::ShowStatus(const std::string& text) { shown.push_back({"status", "", text}); }

OnceDialogAnswer ScriptedPresenter::ShowOnceDialog(const std::string& text, bool choice) {
  shown.push_back({"once", "Tintara Message", text, choice});
  if (onceAnswers.empty()) return {true, false};
  const OnceDialogAnswer a = onceAnswers.front();
  onceAnswers.pop_front();
  return a;
}

bool ScriptedPresenter::AskYesNo(const std::string& caption, const std::string& text) {
  shown.push_back({"yesno", caption, text});
  if (yesNoAnswers.empty()) return false;
  const bool a = yesNoAnswers.front();
  yesNoAnswers.pop_front();
  return a;
}

YesNoCancel ScriptedPresenter::AskYesNoCancel(const std::string& caption, const std::string& text) {
  shown.push_back({"yesnocancel", caption, text});
  if (yesNoCancelAnswers.empty()) return YesNoCancel::kCancel;
  const YesNoCancel a = yesNoCancelAnswers.front();
  yesNoCancelAnswers.pop_front();
  return a;
}

DescriptionAnswer ScriptedPresenter::AskDescription(const std::string& initial) {
  shown.push_back({"description", "New Profile", initial});
  if (descriptionAnswers.empty()) return {true, initial, false};
  const DescriptionAnswer a = descriptionAnswers.front();
  descriptionAnswers.pop_front();
  return a;
}

void ScriptedPresenter::EndProgram(int exitCode, bool immediately) {
  Shown s{"end", "", ""};
  s.exitCode = exitCode;
  s.immediately = immediately;
  shown.push_back(s);
}

}  // namespace tintara::test
