// The window's commands as features register them: made from the command table, run once per
// trigger by every action they have, and enabled and checked by the pass.
#include "base/ui/command_registry.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QWidget>

#include "base/ui/commands.h"

namespace tintara {
namespace {

TEST(CommandRegistry, EveryActionOfACommandRunsItOnceAndFollowsItsState) {
  QWidget window;
  CommandRegistry commands(window);
  int converted = 0, undone = 0, passes = 0;
  bool ready = false;
  QAction* convert = commands.Register(cmd::kConvert, [&] { ++converted; }, [&] { return ready; }, [&] { return ready; });
  QAction* undo = commands.Register(cmd::kUndoConversion, [&] { ++undone; });
  commands.AddUpdateStep([&] { ++passes; });

  // From the table: the menu text with its key hint, the keys, the prompt's two halves.
  EXPECT_EQ(convert->text(), "C&onvert Image\tCtrl+I");
  EXPECT_EQ(convert->shortcut(), QKeySequence("Ctrl+I"));
  EXPECT_EQ(convert->statusTip(), "Convert the image with the selected color profile");
  EXPECT_EQ(convert->toolTip(), "Convert Image");
  EXPECT_TRUE(convert->isCheckable());
  EXPECT_FALSE(undo->isCheckable());
  EXPECT_TRUE(window.actions().contains(convert)) << "the window takes the keys";

  // A second action (a toolbar copy) runs the command and follows its enabling and check mark.
  QAction copy;
  commands.AddAction(cmd::kConvert, &copy);
  commands.UpdateCommandUI();
  EXPECT_FALSE(copy.isEnabled());
  ready = true;
  commands.UpdateCommandUI();
  EXPECT_TRUE(copy.isEnabled());
  EXPECT_TRUE(copy.isChecked());
  copy.trigger();
  EXPECT_EQ(converted, 1);
  EXPECT_EQ(passes, 3) << "a command is followed by the pass";
  EXPECT_EQ(commands.Action(cmd::kConvert), convert) << "the first action stays the command's";

  // One entry standing for two commands is found under both and still runs its own once.
  commands.AddAction(cmd::kUndoEmbedding, undo);
  EXPECT_EQ(commands.Action(cmd::kUndoEmbedding), undo);
  undo->trigger();
  EXPECT_EQ(undone, 1);
  EXPECT_EQ(commands.Action(cmd::kAbout), nullptr);
}

}  // namespace
}  // namespace tintara
