#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QWidget;

namespace tintara {

// The two halves of a command's prompt in the string table: the status-bar text and the tool tip.
std::pair<QString, QString> CommandPrompt(int id);

// The commands of a window. Each feature registers its own, with what runs it and what enables and
// checks it; the window lays the actions out in its menus and toolbar. After every command, and
// whenever a feature asks (its state changed some other way), one pass brings every action's
// enabling and check mark up to date by asking the predicates.
class CommandRegistry {
 public:
  using Run = std::function<void()>;
  using Predicate = std::function<bool()>;

  // The actions are made as children of `window`, whose keys they are: they work whichever menu
  // form the window shows.
  explicit CommandRegistry(QWidget& window);
  ~CommandRegistry();
  CommandRegistry(const CommandRegistry&) = delete;
  CommandRegistry& operator=(const CommandRegistry&) = delete;

  // The action of command `id`, with its menu text, keys, prompt and picture from the command table.
  // Triggered, it runs `run` and then the enabling pass. Without `enabled` it is always enabled;
  // with `checked` it is checkable and shows the check mark the predicate gives.
  QAction* Register(int id, Run run, Predicate enabled = {}, Predicate checked = {});
  // Another action for the registered command `id` (the toolbar's copy of an entry, a drop-down's
  // entry): it runs the command and follows its enabling and check mark. An action registered for
  // another command (one entry standing for two commands) runs that one and is only found under
  // `id` as well.
  void AddAction(int id, QAction* action);
  // A step of the enabling pass beyond enabling and checking, such as an entry whose text follows
  // the state of what it acts on.
  void AddUpdateStep(std::function<void()> step);

  // The first action of a command; nullptr for an unknown one.
  QAction* Action(int id) const;

  // The enabling pass.
  void UpdateCommandUI();

 private:
  struct Command {
    Run run;
    Predicate enabled;
    Predicate checked;
  };
  void Connect(QAction* action, std::shared_ptr<Command> command);

  QWidget& window_;
  std::multimap<int, QAction*> actions_;  // a command may have several actions
  std::vector<std::pair<QAction*, std::shared_ptr<Command>>> runs_;  // each action with what it runs
  std::vector<std::function<void()>> steps_;
};

}  // namespace tintara
