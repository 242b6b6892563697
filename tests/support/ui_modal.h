#pragma once

#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tintara::test {

// Answers modal windows that a test opens with exec(): a timer, armed before the call, polls
// QApplication::activeModalWidget() and runs each step on the first modal widget of the step's
// type, in order. A step's action runs from the event loop, not inside the timer, so an action may
// itself open a window (OK on a dialog that answers with a message box) and later steps still run.
// After `timeoutMs` without finishing, every modal window still open is rejected, so a test that
// goes wrong fails instead of hanging.
class ModalScript {
 public:
  explicit ModalScript(int timeoutMs = 5000);
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  // Waits for a modal widget that is a T and runs `action` on it.
  template <typename T>
  ModalScript& Then(std::function<void(T*)> action) {
    steps_.push_back({[](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
                      [action](QWidget* w) { action(qobject_cast<T*>(w)); }});
    return *this;
  }

  int StepsDone() const { return done_; }
  bool TimedOut() const { return timedOut_; }
  // The window titles of the widgets the steps ran on.
  const std::vector<std::string>& Titles() const { return titles_; }

 private:
  struct Step {
    std::function<bool(QWidget*)> matches;
    std::function<void(QWidget*)> action;
  };
  void Poll();

  QTimer timer_;
  std::deque<Step> steps_;
  int done_ = 0;
  int waitedMs_ = 0;
  int timeoutMs_;
  bool timedOut_ = false;
  bool actionPending_ = false;
  std::vector<std::string> titles_;
};

}  // namespace tintara::test
