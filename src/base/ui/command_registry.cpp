#include "base/ui/command_registry.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QWidget>
#include <algorithm>

#include "base/strings.h"
#include "base/ui/commands.h"
#include "base/ui/ui_text.h"

namespace tintara {

namespace {

// A menu entry's text with its mnemonic and key hint taken out: what a tool button shows when it
// has no picture.
QString PlainText(const char* menuText) {
  QString text = ui::ToQString(menuText);
  text = text.left(text.indexOf('\t'));
  text.remove('&');
  text.remove(QStringLiteral("..."));
  return text;
}

}  // namespace

std::pair<QString, QString> CommandPrompt(int id) {
  const QString prompt = ui::ToQString(StringOrEmpty(id));
  const qsizetype newline = prompt.indexOf('\n');
  if (newline < 0) return {prompt, prompt};
  return {prompt.left(newline), prompt.mid(newline + 1)};
}

CommandRegistry::CommandRegistry(QWidget& window) : window_(window) {}

CommandRegistry::~CommandRegistry() = default;

QAction* CommandRegistry::Register(int id, Run run, Predicate enabled, Predicate checked) {
  const cmd::CommandEntry* entry = cmd::FindCommand(id);
  auto* action = new QAction(&window_);
  action->setData(id);
  if (entry && entry->menuText) {
    // The text keeps its "\t" part: the menu shows it in the key column exactly as written.
    action->setText(ui::ToQString(entry->menuText));
    action->setIconText(PlainText(entry->menuText));
  }
  QList<QKeySequence> keys;
  if (entry) {
    for (const char* key : entry->keys) {
      if (key) keys.append(QKeySequence(QString::fromLatin1(key), QKeySequence::PortableText));
    }
  }
  action->setShortcuts(keys);
  const auto [status, tip] = CommandPrompt(id);
  if (!status.isEmpty()) {
    action->setStatusTip(status);
    action->setToolTip(tip);
    if (!entry || !entry->menuText) action->setIconText(tip);
  }
  if (entry && entry->icon) action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(entry->icon))));
  action->setCheckable(static_cast<bool>(checked));
  window_.addAction(action);
  actions_.emplace(id, action);
  Connect(action, std::make_shared<Command>(Command{std::move(run), std::move(enabled), std::move(checked)}));
  return action;
}

void CommandRegistry::AddAction(int id, QAction* action) {
  actions_.emplace(id, action);
  const auto known = [action](const auto& run) { return run.first == action; };
  if (std::any_of(runs_.begin(), runs_.end(), known)) return;
  const auto command = std::find_if(runs_.begin(), runs_.end(), [this, id](const auto& run) {
    return run.first == Action(id);
  });
  if (command == runs_.end()) return;
  action->setCheckable(static_cast<bool>(command->second->checked));
  Connect(action, command->second);
}

void CommandRegistry::Connect(QAction* action, std::shared_ptr<Command> command) {
  runs_.emplace_back(action, command);
  QObject::connect(action, &QAction::triggered, &window_, [this, command] {
    if (command->run) command->run();
    UpdateCommandUI();
  });
}

void CommandRegistry::AddUpdateStep(std::function<void()> step) { steps_.push_back(std::move(step)); }

QAction* CommandRegistry::Action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void CommandRegistry::UpdateCommandUI() {
  for (const auto& [action, command] : runs_) {
    if (command->enabled) action->setEnabled(command->enabled());
    if (command->checked) action->setChecked(command->checked());
  }
  for (const std::function<void()>& step : steps_) step();
}

}  // namespace tintara
