#include "support/ui_modal.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

namespace tintara::test {

namespace {
constexpr int kPollMs = 20;
}

ModalScript::ModalScript(int timeoutMs) : timeoutMs_(timeoutMs) {
  timer_.setInterval(kPollMs);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
  timer_.start();
}

ModalScript::~ModalScript() { timer_.stop(); }

void ModalScript::Poll() {
  waitedMs_ += kPollMs;
  QWidget* modal = QApplication::activeModalWidget();
  // A step whose action has not started yet still sees its widget open; the next step waits.
  if (actionPending_) return;
  if (!steps_.empty() && modal != nullptr && modal->isVisible() && steps_.front().matches(modal)) {
    Step step = std::move(steps_.front());
    steps_.pop_front();
    titles_.push_back(modal->windowTitle().toStdString());
    QPointer<QWidget> target(modal);
    actionPending_ = true;
    QMetaObject::invokeMethod(
        &timer_,
        [this, step = std::move(step), target] {
          actionPending_ = false;
          if (target) step.action(target);
          ++done_;
        },
        Qt::QueuedConnection);
    waitedMs_ = 0;
    return;
  }
  if (steps_.empty() || waitedMs_ < timeoutMs_) return;
  timedOut_ = true;
  steps_.clear();
  while (QWidget* open = QApplication::activeModalWidget()) {
    if (auto* dialog = qobject_cast<QDialog*>(open)) {
      dialog->reject();
    } else {
      open->close();
    }
    if (QApplication::activeModalWidget() == open) break;
  }
}

}  // namespace tintara::test
