#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <filesystem>
#include <functional>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "base/strings.h"
#include "app/ui/child_frame.h"
#include "base/ui/commands.h"
#include "app/ui/main_frame.h"
#include "profiles/ui/profile_bar.h"
#include "app/ui/tintara_app.h"
#include "app/ui/window_placement.h"
#include "card/ui/marking_commands.h"
#include "image/ui/image_commands.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/tintara_view.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"
#include "support/test_images.h"
#include "support/test_profiles.h"
#include "support/test_reference_sets.h"

namespace tintara {
namespace {

using test::ScriptedPresenter;
using test::TempDir;

// Lets the event loop run until `done` holds (windows close through deferred deletion), at most
// two seconds.
bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 200 && !done(); ++i) QTest::qWait(10);
  return done();
}

// One main window over a store, reference sets and a private frame store, with every box answered
// by the script.
class MainFrameTest : public test::PrivateSettingsTest {
 protected:
  void SetUp() override {
    PrivateSettingsTest::SetUp();
    store_ = MakeFileSettingsStorage(dir_.File("frame.ini"));
    references_ = {test::TestReferenceSet("Studio", 30, 1), test::TestReferenceSet("Zed3", 3, 2),
                   test::TestReferenceSet("Alpha7", 30, 3), test::TestReferenceSet("Mid3", 3, 4)};
  }

  CMainFrame& Frame() {
    if (!frame_) {
      frame_ = std::make_unique<CMainFrame>(profiles_, references_, *store_, dir_.path());
      frame_->ShowWithStoredPlacement();
      // Keys reach the commands of the active window only.
      frame_->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
      frame_->RefillProfileBox();
      frame_->RefillReferenceBox();
    }
    return *frame_;
  }

  // Opens a small photograph of its own in a new window.
  CChildFrame* OpenImage(const std::string& name) {
    const std::string path = dir_.File(name);
    test::WritePatternImage(path, 64, 48);
    EXPECT_TRUE(Frame().OpenDocumentFile(path));
    return Frame().ActiveChild();
  }

  void Trigger(int id) {
    QAction* action = Frame().Action(id);
    ASSERT_NE(action, nullptr) << id;
    ASSERT_TRUE(action->isEnabled()) << id;
    action->trigger();
  }

  std::vector<QString> BoxTexts(const QComboBox* box) {
    std::vector<QString> texts;
    for (int i = 0; i < box->count(); ++i) texts.push_back(box->itemText(i));
    return texts;
  }

  std::vector<QString> VisibleEntries(const QWidget* menu) {
    std::vector<QString> texts;
    for (QAction* a : menu->actions()) {
      if (a->isVisible() && !a->isSeparator()) texts.push_back(a->text());
    }
    return texts;
  }

  QMenu* MenuTitled(const QString& title) {
    for (QAction* a : Frame().menuBar()->actions()) {
      if (a->text() == title) return a->menu();
    }
    return nullptr;
  }

  ScriptedPresenter presenter_;
  TempDir dir_;
  std::unique_ptr<SettingsStorage> store_;
  ProfileStore profiles_;
  ReferenceSetList references_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(MainFrameTest, MissingOrCorruptReferenceDataEndsStartUpWithStatusOne) {
  test::WriteFileBytes(dir_.File("corrupt.dat"), {'L', 'U', 'M', 0x01, 0xFF, 0x00, 0x13});
  for (const auto& [file, code] : {std::pair{std::string("absent.dat"), 2}, std::pair{std::string("corrupt.dat"), 4}}) {
    presenter_.shown.clear();
    StartupOptions options;
    options.programFolder = dir_.path();
    options.referenceDataPath = dir_.File(file);
    options.frameStore = MakeFileSettingsStorage(dir_.File("app.ini"));
    options.realDialogs = false;
    CTintaraApp app(std::move(options));
    EXPECT_EQ(app.InitInstance(), 1) << file;
    const auto boxes = presenter_.Of("box");
    ASSERT_EQ(boxes.size(), 1u) << file;
    EXPECT_EQ(boxes[0].text, ErrorCodeText(code));
    EXPECT_EQ(boxes[0].caption, "Tintara Error");
    EXPECT_TRUE(app.profiles().Records().empty()) << "the profiles are not scanned after " << file;
  }
}

TEST_F(MainFrameTest, StartUpOpensTheCommandLineAndFillsBothBoxes) {
  TempDir folder;
  test::WriteFileBytes(folder.File("Daylight.tnp"), test::TestProfileBytes(1.0, "sun"));
  Settings().SetProfileFolder(folder.path());
  const std::string photo = dir_.File("photo.tif");
  test::WritePatternImage(photo, 32, 24);

  StartupOptions options;
  options.programFolder = dir_.path();
  options.referenceDataPath = TINTARA_LUMENO_DAT;
  options.files = {photo};
  options.frameStore = MakeFileSettingsStorage(dir_.File("app.ini"));
  options.realDialogs = false;
  CTintaraApp app(std::move(options));
  ASSERT_EQ(app.InitInstance(), 0);
  CMainFrame* frame = app.mainFrame();
  ASSERT_NE(frame->ActiveDocument(), nullptr);
  EXPECT_EQ(frame->ActiveDocument()->pathName(), photo);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(frame->profileBar()->profileBox()->currentText(), "Daylight (sun)");
  ASSERT_GE(frame->SelectedReferenceIndex(), 0);
  EXPECT_EQ(app.references()[static_cast<size_t>(frame->SelectedReferenceIndex())].EntryCount(), kK7EntryCount);
}

// A profile folder that cannot be listed is named in the status bar, without a box holding up the
// start, and stays the setting: it may be a drive that is not mounted yet.
TEST_F(MainFrameTest, AnUnusableProfileFolderAtStartUpIsToldInTheStatusBarAndKept) {
  test::WriteFileText(dir_.File("a-file"), "not a folder");
  for (const std::string& folder : {dir_.File("gone"), dir_.File("a-file"), std::string()}) {
    presenter_.shown.clear();
    Settings().SetProfileFolder(folder);
    StartupOptions options;
    options.programFolder = dir_.path();
    options.referenceDataPath = TINTARA_LUMENO_DAT;
    options.frameStore = MakeFileSettingsStorage(dir_.File("app.ini"));
    options.realDialogs = false;
    CTintaraApp app(std::move(options));
    ASSERT_EQ(app.InitInstance(), 0) << folder;
    EXPECT_TRUE(presenter_.Of("box").empty()) << folder;
    const auto status = presenter_.Of("status");
    ASSERT_EQ(status.size(), 1u) << folder;
    EXPECT_EQ(status[0].text, "The path to the color profile folder is not valid.");
    EXPECT_EQ(Settings().ProfileFolder(), folder);
  }
}

TEST_F(MainFrameTest, ReferenceBoxFollowsTheCardModel) {
  QComboBox* box = Frame().profileBar()->referenceBox();
  EXPECT_EQ(BoxTexts(box), (std::vector<QString>{"Alpha7", "Studio"}));
  EXPECT_EQ(box->currentText(), "Studio") << "the first K7 set of the list, not of the sorted box";
  OpenImage("card.tif");

  // The Mark button's drop-down: K3 refills with the 3-value sets and selects the list's first.
  ASSERT_NE(Frame().markButton(), nullptr);
  EXPECT_EQ(Frame().markButton()->popupMode(), QToolButton::MenuButtonPopup);
  const QList<QAction*> popup = Frame().selectionMenu()->actions();
  ASSERT_EQ(popup.size(), 2);
  EXPECT_EQ(popup[0]->text(), "Lumeno K7");
  EXPECT_EQ(popup[1]->text(), "Lumeno K3");
  popup[1]->trigger();
  EXPECT_EQ(Frame().marking().cardModel(), CardModel::K3);
  EXPECT_EQ(Frame().imageCommands().tool(), ViewTool::kMark);
  EXPECT_TRUE(popup[1]->isChecked());
  EXPECT_FALSE(popup[0]->isChecked());
  EXPECT_TRUE(Frame().Action(cmd::kToolMark)->isChecked());
  EXPECT_EQ(BoxTexts(box), (std::vector<QString>{"Mid3", "Zed3"}));
  EXPECT_EQ(box->currentText(), "Zed3");
  EXPECT_EQ(Frame().SelectedReferenceIndex(), 1);

  // The same model again keeps the user's choice; the Image menu's entries do the same.
  box->setCurrentIndex(0);
  Trigger(cmd::kMarkK3);
  EXPECT_EQ(box->currentText(), "Mid3");
  EXPECT_EQ(Frame().SelectedReferenceIndex(), 3);
  Trigger(cmd::kMarkK7);
  EXPECT_EQ(box->currentText(), "Studio");
  Trigger(cmd::kToolMove);
  EXPECT_EQ(Frame().imageCommands().tool(), ViewTool::kMove);
  EXPECT_FALSE(Frame().Action(cmd::kToolMark)->isChecked());
}

TEST_F(MainFrameTest, TitleAndMenusFollowTheActiveDocument) {
  EXPECT_EQ(Frame().windowTitle(), "Tintara");
  const auto titles = [this] {
    std::vector<QString> texts;
    for (QAction* a : Frame().menuBar()->actions()) {
      if (a->isVisible()) texts.push_back(a->text());
    }
    return texts;
  };
  EXPECT_EQ(titles(), (std::vector<QString>{"&File", "&Profile", "&View", "&Help"}));
  EXPECT_EQ(VisibleEntries(MenuTitled("&File")),
            (std::vector<QString>{"&Open...\tCtrl+O", "&Batch...\tCtrl+B", "&Preferences...", "Recent File",
                                  "E&xit\tCtrl+Q"}));
  EXPECT_EQ(VisibleEntries(MenuTitled("&View")), (std::vector<QString>{"&Toolbar", "&Profile Bar", "&Status Bar"}));
  EXPECT_TRUE(Frame().Action(cmd::kOpen)->isEnabled());
  EXPECT_TRUE(Frame().Action(cmd::kBatch)->isEnabled());
  EXPECT_TRUE(Frame().Action(cmd::kPreferences)->isEnabled());
  EXPECT_TRUE(Frame().Action(cmd::kProfileAdd)->isEnabled());
  EXPECT_FALSE(Frame().Action(cmd::kProfileSaveAs)->isEnabled()) << "no profile in the box";
  EXPECT_FALSE(Frame().Action(cmd::kConvert)->isEnabled());
  EXPECT_TRUE(Frame().Action(cmd::kViewProfileBar)->isChecked());

  CChildFrame* first = OpenImage("first.tif");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Frame().windowTitle(), QString::fromStdString("Tintara - " + first->DocumentTitle()));
  EXPECT_EQ(first->windowTitle(), QString::fromStdString(first->DocumentTitle()));
  EXPECT_TRUE(first->windowTitle().startsWith("first.tif @ "));
  EXPECT_EQ(titles(), (std::vector<QString>{"&File", "&Profile", "&Image", "&View", "&Window", "&Help"}));
  EXPECT_EQ(VisibleEntries(MenuTitled("&File")),
            (std::vector<QString>{"&Open...\tCtrl+O", "&Close\tCtrl+W", "&Save\tCtrl+S", "Save &As...\tShift+Ctrl+S",
                                  "&Batch...\tCtrl+B", "&Preferences...", "&1 " + QString::fromStdString(dir_.File("first.tif")),
                                  "E&xit\tCtrl+Q"}));
  EXPECT_EQ(VisibleEntries(MenuTitled("&View")),
            (std::vector<QString>{"&Toolbar", "&Profile Bar", "&Status Bar", "&Real Size\tCtrl+Alt+0",
                                  "&Fit on Screen\tCtrl+0", "&Enter Zoom\tCtrl+E", "Zoom &In\tCtrl++",
                                  "Zoom &Out\tCtrl+-"}));
  EXPECT_EQ(Frame().Action(cmd::kSaveAs)->shortcut(), QKeySequence("Ctrl+Shift+S"));
  EXPECT_TRUE(Frame().Action(cmd::kZoomIn)->shortcuts().contains(QKeySequence("Ctrl+=")));
  EXPECT_TRUE(Frame().Action(cmd::kZoomIn)->shortcuts().contains(QKeySequence("Ctrl++")));
  EXPECT_TRUE(Frame().Action(cmd::kRotateCw)->isEnabled());
  EXPECT_FALSE(Frame().Action(cmd::kConvert)->isEnabled()) << "still no profile";
  EXPECT_FALSE(Frame().Action(cmd::kUndoConversion)->isEnabled());
  // The status text and tool tip are the two halves of the prompt.
  EXPECT_EQ(Frame().Action(cmd::kConvert)->statusTip(), "Convert the image with the selected color profile");
  EXPECT_EQ(Frame().Action(cmd::kConvert)->toolTip(), "Convert Image");

  // The keys reach the view: Real Size undoes the fit that opening made.
  CTintaraView* view = first->view();
  const double fitted = view->zoom();
  ASSERT_NE(fitted, 1.0);
  QTest::keyClick(&Frame(), Qt::Key_0, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(view->zoom(), 1.0);
  EXPECT_EQ(Frame().windowTitle(), QString::fromStdString("Tintara - " + first->DocumentTitle()));
  EXPECT_TRUE(Frame().windowTitle().contains("@ 100%")) << "the title follows the zoom";

  CChildFrame* second = OpenImage("second.tif");
  EXPECT_TRUE(Frame().windowTitle().startsWith("Tintara - second.tif @ "));
  Frame().mdiArea()->setActiveSubWindow(first);
  EXPECT_TRUE(Frame().windowTitle().startsWith("Tintara - first.tif @ "));
  // F6 and Shift+F6 go from one document window to the next and back.
  QTest::keyClick(&Frame(), Qt::Key_F6);
  EXPECT_EQ(Frame().ActiveChild(), second);
  QTest::keyClick(&Frame(), Qt::Key_F6, Qt::ShiftModifier);
  EXPECT_EQ(Frame().ActiveChild(), first);
  EXPECT_EQ(Frame().RecentFiles(), (std::vector<std::string>{dir_.File("second.tif"), dir_.File("first.tif")}));

  first->close();
  second->close();
  EXPECT_TRUE(WaitFor([this] { return Frame().mdiArea()->subWindowList().isEmpty(); }));
  EXPECT_TRUE(WaitFor([this] { return Frame().windowTitle() == "Tintara"; })) << Frame().windowTitle().toStdString();
  EXPECT_EQ(titles(), (std::vector<QString>{"&File", "&Profile", "&View", "&Help"}));

  // A name with Qt's modified marker in it is shown as it is.
  CChildFrame* marked = OpenImage("mark[*].tif");
  ASSERT_NE(marked, nullptr);
  ASSERT_NE(Frame().windowHandle(), nullptr);
  EXPECT_TRUE(Frame().windowHandle()->title().startsWith("Tintara - mark[*].tif @ ")) << Frame().windowHandle()->title().toStdString();
  marked->close();
  EXPECT_TRUE(WaitFor([this] { return Frame().mdiArea()->subWindowList().isEmpty(); }));

  // A failed open leaves no window behind.
  EXPECT_FALSE(Frame().OpenDocumentFile(dir_.File("missing.tif")));
  EXPECT_TRUE(Frame().mdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(Frame().ActiveDocument(), nullptr);
}

// Ctrl+W is File > Close's key alone: the document window's own menu does not claim it too, which
// would leave the key ambiguous and make it do nothing.
TEST_F(MainFrameTest, CtrlWClosesThePhotographWhoseViewHasTheFocus) {
  CChildFrame* child = OpenImage("keys.tif");
  ASSERT_NE(child, nullptr);
  child->view()->setFocus();
  ASSERT_TRUE(WaitFor([&] {
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == child->view() || child->view()->isAncestorOf(focus));
  }));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
  EXPECT_TRUE(WaitFor([this] { return Frame().mdiArea()->subWindowList().isEmpty(); }));
}

TEST_F(MainFrameTest, UndoEntryFollowsTheKindOfUndo) {
  const std::string profile = dir_.File("P.tnp");
  test::WriteFileBytes(profile, test::TestProfileBytes(2.0, "warm"));
  profiles_.AddOrReplaceProfile(test::TestProfileRecord("Warm", "", 2.0));
  CChildFrame* child = OpenImage("plain.tif");
  ASSERT_NE(child, nullptr);
  QAction* undo = Frame().Action(cmd::kUndoConversion);
  EXPECT_EQ(undo, Frame().Action(cmd::kUndoEmbedding)) << "one entry, two commands";
  EXPECT_FALSE(undo->isEnabled());

  Trigger(cmd::kConvert);
  EXPECT_EQ(child->document()->Undo(), CTintaraDoc::UndoKind::kConversion);
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(undo->text(), "&Undo (Conversion)\tCtrl+Z");
  EXPECT_EQ(undo->data().toInt(), cmd::kUndoConversion);
  EXPECT_EQ(qobject_cast<QToolButton*>(Frame().toolBar()->widgetForAction(undo))->toolTip(), "Undo Conversion");
  QTest::keyClick(&Frame(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(child->document()->Undo(), CTintaraDoc::UndoKind::kNone) << "Ctrl+Z undid the conversion";
  EXPECT_FALSE(undo->isEnabled());

  // A photograph that carries a profile offers to undo the embedding instead.
  const std::string embedded = dir_.File("embedded.tif");
  ASSERT_EQ(test::RunCli({"embed", "--profile", profile, dir_.File("plain.tif"), embedded}).exitCode, 0);
  ASSERT_TRUE(Frame().OpenDocumentFile(embedded));
  CTintaraDoc* doc = Frame().ActiveDocument();
  ASSERT_EQ(doc->Undo(), CTintaraDoc::UndoKind::kEmbedding);
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(undo->text(), "&Undo (Embedding)\tCtrl+Z");
  EXPECT_EQ(undo->toolTip(), "Undo Embedding");
  Trigger(cmd::kUndoEmbedding);
  EXPECT_FALSE(doc->HasEmbeddedProfile());
  EXPECT_FALSE(undo->isEnabled());

  // Back on the first document the entry takes its form again.
  Frame().mdiArea()->setActiveSubWindow(child);
  Trigger(cmd::kConvert);
  EXPECT_EQ(undo->data().toInt(), cmd::kUndoConversion);
}

TEST_F(MainFrameTest, ClosingAsksAboutUnsavedProfilesAndDocuments) {
  for (const char* name : {"One", "Two"}) {
    ProfileRecord record = test::TestProfileRecord(name, "");
    record.Unsaved = true;
    profiles_.AddOrReplaceProfile(record);
  }
  Frame();
  presenter_.yesNoCancelAnswers = {YesNoCancel::kNo, YesNoCancel::kCancel};
  EXPECT_FALSE(Frame().close());
  EXPECT_TRUE(Frame().isVisible());
  EXPECT_EQ(presenter_.Of("yesnocancel").size(), 2u);
  EXPECT_TRUE(store_->Read("Window", "Show").has_value()) << "the placement is stored before the question";

  // A modified document's Cancel keeps the program running too; its No lets it close.
  CChildFrame* child = OpenImage("edit.tif");
  Trigger(cmd::kRotateCw);
  ASSERT_TRUE(child->document()->IsModified());
  presenter_.yesNoCancelAnswers = {YesNoCancel::kNo, YesNoCancel::kNo, YesNoCancel::kCancel};
  EXPECT_FALSE(Frame().close());
  EXPECT_EQ(Frame().mdiArea()->subWindowList().size(), 1);
  presenter_.yesNoCancelAnswers = {YesNoCancel::kNo, YesNoCancel::kNo, YesNoCancel::kNo};
  presenter_.shown.clear();
  EXPECT_TRUE(Frame().close());
  EXPECT_EQ(presenter_.Of("yesnocancel").size(), 3u) << "each document is asked once";
}

TEST_F(MainFrameTest, HelpAndHomePageReportWhenTheyCannotOpen) {
  std::vector<QUrl> opened;
  bool opens = true;
  Frame().SetUrlOpener([&](const QUrl& url) {
    opened.push_back(url);
    return opens;
  });
  Trigger(cmd::kHelpTopics);  // no help document in the program folder
  ASSERT_EQ(presenter_.Of("box").size(), 1u);
  EXPECT_EQ(presenter_.Of("box")[0].text,
            "Failed to open help document, could not find a suitable PDF reader.\n\n"
            "Please install a PDF (Portable Document Format) Reader.");
  EXPECT_EQ(presenter_.Of("box")[0].caption, "Tintara Warning");
  EXPECT_TRUE(opened.empty());

  test::WriteFileText(dir_.File("TINTHELP.PDF"), "%PDF-1.4\n");
  Trigger(cmd::kHelpTopics);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(dir_.File("TINTHELP.PDF"))));
  EXPECT_EQ(presenter_.Of("box").size(), 1u);

  opens = false;
  Trigger(cmd::kLumenoOnline);
  EXPECT_EQ(opened.back(), QUrl(CMainFrame::kHomePage));
  EXPECT_EQ(presenter_.Of("box").back().text, "Failed to open webpage.");
}

TEST_F(MainFrameTest, PlacementAndBarsComeBackAndStayOnAScreen) {
  EXPECT_FALSE(ReadWindowPlacement(*store_).has_value()) << "nothing stored yet";
  const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
  WriteWindowPlacement(*store_, {kShowNormal, work.left() + 40, work.top() + 30, work.left() + 640, work.top() + 430});
  Frame();
  EXPECT_EQ(Frame().pos(), QPoint(work.left() + 40, work.top() + 30));
  EXPECT_EQ(Frame().size(), QSize(600, 400));
  Frame().profileBar()->hide();
  Frame().move(work.left() + 50, work.top() + 60);
  ASSERT_TRUE(Frame().close());
  frame_.reset();
  EXPECT_EQ(ReadWindowPlacement(*store_),
            (WindowPlacement{kShowNormal, work.left() + 50, work.top() + 60, work.left() + 650, work.top() + 460}));
  Frame();
  EXPECT_TRUE(Frame().profileBar()->isHidden()) << "the bar state came back";
  EXPECT_FALSE(Frame().Action(cmd::kViewProfileBar)->isChecked());
  ASSERT_TRUE(Frame().close());
  frame_.reset();

  // A position on a monitor that is gone lands on the one there is.
  WriteWindowPlacement(*store_, {kShowNormal, 9000, 7000, 9600, 7400});
  Frame();
  EXPECT_EQ(Frame().pos(), work.topLeft());
  EXPECT_EQ(Frame().size(), QSize(600, 400));
  frame_.reset();

  // Nonsense in the store opens the window where a new one would open, never hidden or empty.
  store_->Write("Window", "Show", "0x3");
  EXPECT_FALSE(ReadWindowPlacement(*store_).has_value());
  WriteWindowPlacement(*store_, {kShowNormal, 100, 100, 100, 300});
  EXPECT_FALSE(ReadWindowPlacement(*store_).has_value());
}

TEST(WindowPlacementTest, NearestMonitorAndItsWorkArea) {
  // Two monitors side by side; the left one has a panel of 30 pixels at its top.
  const std::vector<ScreenArea> screens = {{QRect(0, 0, 1600, 1000), QRect(0, 30, 1600, 970)},
                                           {QRect(1600, 0, 1280, 1024), QRect(1600, 0, 1280, 1024)}};
  // Stored positions count from the work area: the panel's height is added back.
  EXPECT_EQ(PlacedFrameRect({kShowNormal, 100, 50, 900, 650}, screens), QRect(100, 80, 800, 600));
  EXPECT_EQ(PlacementOfFrame(QRect(100, 80, 800, 600), kShowNormal, screens),
            (WindowPlacement{kShowNormal, 100, 50, 900, 650}));
  EXPECT_EQ(PlacedFrameRect({kShowNormal, 2000, 100, 2800, 700}, screens), QRect(2000, 100, 800, 600));
  // Beyond every monitor: the nearest one's work area, at its top-left corner.
  EXPECT_EQ(PlacedFrameRect({kShowNormal, 5000, 200, 5800, 800}, screens).topLeft(), QPoint(1600, 0));
  EXPECT_EQ(PlacedFrameRect({kShowNormal, -900, -500, -100, 100}, screens).topLeft(), QPoint(0, 30));
  EXPECT_EQ(NearestScreen(screens, QPoint(1500, 1100)), 0);
  EXPECT_EQ(NearestScreen(screens, QPoint(1700, 1100)), 1);
}

}  // namespace
}  // namespace tintara
