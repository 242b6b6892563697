#include "support/scripted_presenter.h"

#include <utility>

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

namespace {

template <typename T>
T TakeOr(std::deque<T>& queue, T otherwise) {
  if (queue.empty()) return otherwise;
  T answer = std::move(queue.front());
  queue.pop_front();
  return answer;
}

}  // namespace

FileDialogAnswer ScriptedPresenter::AskFiles(const FileDialogRequest& request) {
  shown.push_back({"files", request.title, request.fileName});
  fileRequests.push_back(request);
  return TakeOr(fileAnswers, FileDialogAnswer{});
}

std::optional<std::string> ScriptedPresenter::AskFolder(const std::string& title, const std::string& initial) {
  shown.push_back({"folder", title, initial});
  return TakeOr(folderAnswers, std::optional<std::string>{});
}

std::optional<int> ScriptedPresenter::AskJpegQuality(int initial) {
  Shown s{"jpeg", "JPEG Options", ""};
  s.initial = initial;
  shown.push_back(s);
  return TakeOr(jpegQualityAnswers, std::optional<int>{});
}

std::optional<int> ScriptedPresenter::AskZoomPercent(int initial, int low, int high) {
  Shown s{"zoom", "Enter Zoom", ""};
  s.initial = initial;
  s.low = low;
  s.high = high;
  shown.push_back(s);
  return TakeOr(zoomAnswers, std::optional<int>{});
}

}  // namespace tintara::test
