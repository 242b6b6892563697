#include "app/ui/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "app/messages.h"
#include "app/settings.h"
#include "app/settings_storage.h"
#include "base/strings.h"
#include "app/ui/about_dialog.h"
#include "app/ui/child_frame.h"
#include "base/ui/commands.h"
#include "app/ui/preferences_command.h"
#include "app/ui/profile_bar.h"
#include "base/ui/ui_text.h"
#include "app/ui/window_placement.h"
#include "batch/ui/batch_command.h"
#include "card/previous_outline.h"
#include "card/ui/create_profile_command.h"
#include "card/ui/marking_tool.h"
#include "card/ui/quality_report_dock.h"
#include "image/ui/image_file_dialogs.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/tintara_view.h"
#include "profiles/ui/profile_commands.h"

namespace tintara {

namespace {

constexpr char kAppTitle[] = "Tintara";
constexpr char kRecentSection[] = "Recent File List";
constexpr char kHelpDocument[] = "TINTHELP.PDF";
constexpr char kHelpFailed[] =
    "Failed to open help document, could not find a suitable PDF reader.\n\n"
    "Please install a PDF (Portable Document Format) Reader.";
constexpr char kWebPageFailed[] = "Failed to open webpage.";

// The two halves of a command's prompt: the status-bar text and the tool tip.
std::pair<QString, QString> PromptOf(int id) {
  const QString prompt = ui::ToQString(StringOrEmpty(id));
  const qsizetype newline = prompt.indexOf('\n');
  if (newline < 0) return {prompt, prompt};
  return {prompt.left(newline), prompt.mid(newline + 1)};
}

// A menu entry's text with its mnemonic and key hint taken out: what a tool button shows when it
// has no picture.
QString PlainText(const char* menuText) {
  QString text = ui::ToQString(menuText);
  text = text.left(text.indexOf('\t'));
  text.remove('&');
  text.remove(QStringLiteral("..."));
  return text;
}

void ShowWarningText(const char* text) { Presenter().ShowMessageBox(StringOrEmpty(33029), text); }

// The views of every document window; the tool and the card model are shared by all of them.
template <typename Fn>
void ForEachView(QMdiArea* area, Fn fn) {
  for (QMdiSubWindow* window : area->subWindowList()) {
    if (auto* child = qobject_cast<CChildFrame*>(window); child && child->view()) fn(*child->view());
  }
}

}  // namespace

CMainFrame::CMainFrame(ProfileStore& profiles, const ReferenceSetList& references, SettingsStorage& frameStore,
                       std::string programFolder, QWidget* parent)
    : QMainWindow(parent),
      profiles_(profiles),
      references_(references),
      frameStore_(frameStore),
      programFolder_(std::move(programFolder)),
      urlOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  setObjectName("MainFrame");
  setWindowTitle(kAppTitle);
  setWindowIcon(QIcon(":/icons/tintara.svg"));
  setAcceptDrops(true);

  mdiArea_ = new QMdiArea(this);
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdiArea_);
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

  for (int i = 1; i <= cmd::kRecentFileCount; ++i) {
    const std::optional<std::string> path = frameStore_.Read(kRecentSection, "File" + std::to_string(i));
    if (path && !path->empty()) recentFiles_.push_back(*path);
  }

  BuildActions();
  BuildToolBar();
  profileBar_ = new CProfileBar(this);
  addToolBar(Qt::TopToolBarArea, profileBar_);
  statusBar()->setObjectName("StatusBar");
  BuildMenus();
  ConnectCommands();
  connect(profileBar_, &CProfileBar::profileSelectionChanged, this, &CMainFrame::UpdateCommandUI);

  // A window with no stored placement opens at a size that suits a photograph on this screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    resize(screen->availableGeometry().size() * 3 / 4);
  }
  RestoreBarState(*this, frameStore_);
  UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
  // The document windows go first, while the frame is whole: their signals on the way out would
  // otherwise reach a frame whose members are already gone.
  disconnect(mdiArea_, nullptr, this, nullptr);
  disconnect(profileBar_, nullptr, this, nullptr);
  for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
    disconnect(window, nullptr, this, nullptr);
    delete window;
  }
}

CMainFrame* CMainFrame::Of(const QWidget* widget) {
  return widget ? qobject_cast<CMainFrame*>(widget->window()) : nullptr;
}

void CMainFrame::ShowWithStoredPlacement() {
  if (RestoreWindowPlacement(*this, frameStore_) == kShowMaximized) {
    showMaximized();
  } else {
    show();
  }
}

// ---- actions, toolbar, menus ----

QAction* CMainFrame::MakeAction(int id, const char* iconName) {
  const cmd::CommandEntry* entry = cmd::FindCommand(id);
  auto* action = new QAction(this);
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
  const auto [status, tip] = PromptOf(id);
  if (!status.isEmpty()) {
    action->setStatusTip(status);
    action->setToolTip(tip);
    if (!entry || !entry->menuText) action->setIconText(tip);
  }
  if (iconName) action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(iconName))));
  // Shortcuts work while the main window is active, whichever menu form is showing.
  addAction(action);
  actions_.emplace(id, action);
  return action;
}

void CMainFrame::BuildActions() {
  MakeAction(cmd::kOpen, "open");
  MakeAction(cmd::kClose);
  MakeAction(cmd::kSave, "save");
  MakeAction(cmd::kSaveAs);
  MakeAction(cmd::kBatch);
  MakeAction(cmd::kPreferences);
  MakeAction(cmd::kExit);
  for (int id : {cmd::kMarkK7, cmd::kMarkK3}) MakeAction(id)->setCheckable(true);
  MakeAction(cmd::kUnmark);
  MakeAction(cmd::kTurnSelection, "turn_selection");
  MakeAction(cmd::kUsePreviousOutline);
  MakeAction(cmd::kCreateProfile, "create_profile");
  MakeAction(cmd::kQualityReport);
  MakeAction(cmd::kConvert, "convert");
  undoEntry_ = MakeAction(cmd::kUndoConversion, "undo");
  actions_.emplace(cmd::kUndoEmbedding, undoEntry_);
  undoKey_ = MakeAction(cmd::kUndo);
  MakeAction(cmd::kRotateCw);
  MakeAction(cmd::kRotateCcw);
  MakeAction(cmd::kProfileAdd);
  MakeAction(cmd::kProfileSaveAs);
  MakeAction(cmd::kProfileRemove);
  for (int id : {cmd::kViewToolbar, cmd::kViewProfileBar, cmd::kViewStatusBar}) MakeAction(id)->setCheckable(true);
  for (int id : {cmd::kRealSize, cmd::kFitOnScreen, cmd::kEnterZoom, cmd::kZoomIn, cmd::kZoomOut}) MakeAction(id);
  MakeAction(cmd::kToolMove, "move")->setCheckable(true);
  MakeAction(cmd::kToolMark, "mark")->setCheckable(true);
  MakeAction(cmd::kToolZoomIn, "zoom_in")->setCheckable(true);
  MakeAction(cmd::kToolZoomOut, "zoom_out")->setCheckable(true);
  MakeAction(cmd::kCascade);
  MakeAction(cmd::kTile);
  MakeAction(cmd::kArrangeIcons);
  MakeAction(cmd::kNextPane);
  MakeAction(cmd::kPreviousPane);
  MakeAction(cmd::kHelpTopics);
  MakeAction(cmd::kLumenoOnline);
  MakeAction(cmd::kAbout);

  // The "Selection" drop-down names the models without mnemonics.
  popupK7_ = new QAction(tr("Lumeno K7"), this);
  popupK3_ = new QAction(tr("Lumeno K3"), this);
  for (QAction* a : {popupK7_, popupK3_}) a->setCheckable(true);
  popupK7_->setData(cmd::kMarkK7);
  popupK3_->setData(cmd::kMarkK3);
  popupK7_->setStatusTip(PromptOf(cmd::kMarkK7).first);
  popupK3_->setStatusTip(PromptOf(cmd::kMarkK3).first);
  actions_.emplace(cmd::kMarkK7, popupK7_);
  actions_.emplace(cmd::kMarkK3, popupK3_);

  for (int i = 0; i < cmd::kRecentFileCount; ++i) {
    auto* entry = new QAction(this);
    entry->setStatusTip(PromptOf(cmd::kRecentFile1).first);
    connect(entry, &QAction::triggered, this, [this, i] {
      Run([this, i] {
        if (static_cast<size_t>(i) >= recentFiles_.size()) return;
        const std::string path = recentFiles_[static_cast<size_t>(i)];
        // A file that no longer opens leaves the list, as it would only fail again.
        if (!OpenDocumentFile(path)) RemoveRecentFile(path);
      });
    });
    recentEntries_.push_back(entry);
  }
  noRecentFile_ = new QAction(tr("Recent File"), this);
  noRecentFile_->setEnabled(false);
}

void CMainFrame::BuildToolBar() {
  toolBar_ = addToolBar(tr("Toolbar"));
  toolBar_->setObjectName("ToolBar");
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->addAction(Action(cmd::kOpen));
  // The toolbar's Save stays while the File menu's Save comes and goes with the menu form.
  QAction* save = new QAction(Action(cmd::kSave)->icon(), Action(cmd::kSave)->iconText(), this);
  save->setData(cmd::kSave);
  save->setToolTip(Action(cmd::kSave)->toolTip());
  save->setStatusTip(Action(cmd::kSave)->statusTip());
  actions_.emplace(cmd::kSave, save);
  toolBar_->addAction(save);
  toolBar_->addSeparator();
  toolBar_->addAction(Action(cmd::kToolMove));

  selectionMenu_ = new QMenu(tr("Selection"), this);
  selectionMenu_->addAction(popupK7_);
  selectionMenu_->addAction(popupK3_);
  QAction* mark = Action(cmd::kToolMark);
  mark->setMenu(selectionMenu_);
  toolBar_->addAction(mark);
  markButton_ = qobject_cast<QToolButton*>(toolBar_->widgetForAction(mark));
  if (markButton_) markButton_->setPopupMode(QToolButton::MenuButtonPopup);

  toolBar_->addAction(Action(cmd::kToolZoomIn));
  toolBar_->addAction(Action(cmd::kToolZoomOut));
  toolBar_->addSeparator();
  toolBar_->addAction(Action(cmd::kTurnSelection));
  toolBar_->addSeparator();
  toolBar_->addAction(Action(cmd::kCreateProfile));
  toolBar_->addAction(Action(cmd::kConvert));
  toolBar_->addAction(undoEntry_);
  auto* gap = new QWidget(toolBar_);
  gap->setFixedWidth(10);
  toolBar_->addWidget(gap);
}

void CMainFrame::BuildMenus() {
  QMenuBar* bar = menuBar();

  fileMenu_ = bar->addMenu(tr("&File"));
  fileMenu_->addAction(Action(cmd::kOpen));
  fileMenu_->addAction(Action(cmd::kClose));
  fileMenu_->addAction(Action(cmd::kSave));
  fileMenu_->addAction(Action(cmd::kSaveAs));
  fileDocumentSeparator_ = fileMenu_->addSeparator();
  fileMenu_->addAction(Action(cmd::kBatch));
  fileMenu_->addAction(Action(cmd::kPreferences));
  fileMenu_->addSeparator();
  fileMenu_->addAction(noRecentFile_);
  for (QAction* entry : recentEntries_) fileMenu_->addAction(entry);
  recentSeparator_ = fileMenu_->addSeparator();
  fileMenu_->addAction(Action(cmd::kExit));
  RebuildRecentFileEntries();

  profileMenu_ = bar->addMenu(tr("&Profile"));
  for (int id : {cmd::kProfileAdd, cmd::kProfileSaveAs, cmd::kProfileRemove}) profileMenu_->addAction(Action(id));

  imageMenu_ = bar->addMenu(tr("&Image"));
  QMenu* markMenu = imageMenu_->addMenu(tr("&Mark"));
  markMenu->addAction(Action(cmd::kMarkK7));
  markMenu->addAction(Action(cmd::kMarkK3));
  markMenu->addSeparator();
  markMenu->addAction(Action(cmd::kUsePreviousOutline));
  imageMenu_->addAction(Action(cmd::kUnmark));
  imageMenu_->addAction(Action(cmd::kTurnSelection));
  imageMenu_->addSeparator();
  imageMenu_->addAction(Action(cmd::kCreateProfile));
  imageMenu_->addAction(Action(cmd::kQualityReport));
  imageMenu_->addAction(Action(cmd::kConvert));
  imageMenu_->addAction(undoEntry_);
  imageMenu_->addSeparator();
  imageMenu_->addAction(Action(cmd::kRotateCw));
  imageMenu_->addAction(Action(cmd::kRotateCcw));

  viewMenu_ = bar->addMenu(tr("&View"));
  for (int id : {cmd::kViewToolbar, cmd::kViewProfileBar, cmd::kViewStatusBar}) viewMenu_->addAction(Action(id));
  zoomSeparator_ = viewMenu_->addSeparator();
  for (int id : {cmd::kRealSize, cmd::kFitOnScreen, cmd::kEnterZoom, cmd::kZoomIn, cmd::kZoomOut}) {
    viewMenu_->addAction(Action(id));
  }

  windowMenu_ = bar->addMenu(tr("&Window"));
  connect(windowMenu_, &QMenu::aboutToShow, this, &CMainFrame::RebuildWindowMenu);
  RebuildWindowMenu();

  helpMenu_ = bar->addMenu(tr("&Help"));
  helpMenu_->addAction(Action(cmd::kHelpTopics));
  helpMenu_->addAction(Action(cmd::kLumenoOnline));
  helpMenu_->addSeparator();
  helpMenu_->addAction(Action(cmd::kAbout));

  // Until the first document opens, the menus show their form without one.
  documentForm_ = true;
}

void CMainFrame::ConnectCommands() {
  const auto on = [this](int id, std::function<void()> command) {
    connect(Action(id), &QAction::triggered, this, [this, command = std::move(command)] { Run(command); });
  };
  const auto onDocument = [this, on](int id, std::function<void(CTintaraDoc&)> command) {
    on(id, [this, command = std::move(command)] {
      if (CTintaraDoc* doc = ActiveDocument()) command(*doc);
    });
  };
  const auto onView = [this, on](int id, std::function<void(CTintaraView&)> command) {
    on(id, [this, command = std::move(command)] {
      if (CTintaraView* view = ActiveView()) command(*view);
    });
  };

  on(cmd::kOpen, [this] {
    if (const std::optional<std::string> path = AskOpenImagePath()) OpenDocumentFile(*path);
  });
  on(cmd::kClose, [this] {
    if (CChildFrame* child = ActiveChild()) child->close();
  });
  for (const auto& [id, action] : actions_) {
    if (id != cmd::kSave) continue;
    connect(action, &QAction::triggered, this, [this] {
      Run([this] {
        if (CTintaraDoc* doc = ActiveDocument()) doc->OnFileSave();
      });
    });
  }
  onDocument(cmd::kSaveAs, [](CTintaraDoc& doc) { doc.OnFileSaveAs(); });
  on(cmd::kExit, [this] { close(); });

  for (QAction* a : {Action(cmd::kMarkK7), popupK7_}) {
    connect(a, &QAction::triggered, this, [this] { Run([this] { SetCardModel(CardModel::K7); }); });
  }
  for (QAction* a : {Action(cmd::kMarkK3), popupK3_}) {
    connect(a, &QAction::triggered, this, [this] { Run([this] { SetCardModel(CardModel::K3); }); });
  }
  // The Mark button runs the command of the card model in use.
  on(cmd::kToolMark, [this] { SetCardModel(cardModel_); });
  on(cmd::kToolMove, [this] { SetTool(Tool::kMove); });
  on(cmd::kToolZoomIn, [this] { SetTool(Tool::kZoomIn); });
  on(cmd::kToolZoomOut, [this] { SetTool(Tool::kZoomOut); });
  onView(cmd::kUnmark, [](CTintaraView& view) { CMarkingTool::Of(view)->OnUnmark(); });
  onView(cmd::kTurnSelection, [](CTintaraView& view) { CMarkingTool::Of(view)->OnTurnSelection(); });
  onView(cmd::kUsePreviousOutline, [this](CTintaraView& view) {
    const std::optional<PreviousOutline> outline = ParsePreviousOutline(Settings().PreviousOutline());
    if (!outline || !CMarkingTool::Of(view)->CanPlaceOutline(*outline)) return;
    // The outline comes back with the card it was marked on.
    if (outline->model != cardModel_) SetCardModel(outline->model);
    CMarkingTool::Of(view)->PlaceOutline(*outline);
  });

  onDocument(cmd::kCreateProfile, [this](CTintaraDoc& doc) {
    if (CTintaraView* view = ActiveView()) RunCreateProfileCommand(*this, doc, *CMarkingTool::Of(*view));
  });
  on(cmd::kQualityReport, [this] { CQualityReportDock::ShowIn(*this); });
  onDocument(cmd::kConvert, [this](CTintaraDoc& doc) { doc.OnConvert(SelectedProfile()); });
  connect(undoEntry_, &QAction::triggered, this, [this] {
    Run([this] {
      CTintaraDoc* doc = ActiveDocument();
      if (!doc) return;
      if (undoEntry_->data().toInt() == cmd::kUndoEmbedding) {
        doc->OnUndoEmbedding();
      } else {
        doc->OnUndoConversion();
      }
    });
  });
  onDocument(cmd::kUndo, [](CTintaraDoc& doc) { doc.OnUndo(); });
  onDocument(cmd::kRotateCw, [](CTintaraDoc& doc) { doc.OnRotate(true); });
  onDocument(cmd::kRotateCcw, [](CTintaraDoc& doc) { doc.OnRotate(false); });

  on(cmd::kBatch, [this] { RunBatchCommand(*this); });
  on(cmd::kPreferences, [this] { RunPreferencesCommand(*this); });

  on(cmd::kProfileAdd, [this] {
    const int added = AddProfilesCommand(profiles_);
    RefillProfileBox();
    if (added >= 0) profileBar_->SelectProfile(profiles_.IdAt(added));
  });
  on(cmd::kProfileSaveAs, [this] {
    const int index = profiles_.IndexOf(profileBar_->SelectedProfileId());
    if (index < 0) return;
    SaveProfileAsCommand(profiles_, index);
    RefillProfileBox();
  });
  on(cmd::kProfileRemove, [this] {
    const int index = profiles_.IndexOf(profileBar_->SelectedProfileId());
    if (index < 0) return;
    RemoveProfileCommand(profiles_, index);
    RefillProfileBox();
  });

  on(cmd::kViewToolbar, [this] { toolBar_->setVisible(toolBar_->isHidden()); });
  on(cmd::kViewProfileBar, [this] { profileBar_->setVisible(profileBar_->isHidden()); });
  on(cmd::kViewStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); });
  onView(cmd::kRealSize, [](CTintaraView& view) { view.OnRealSize(); });
  onView(cmd::kFitOnScreen, [](CTintaraView& view) { view.FitOnScreen(); });
  onView(cmd::kEnterZoom, [](CTintaraView& view) { view.OnEnterZoom(); });
  onView(cmd::kZoomIn, [](CTintaraView& view) { view.OnZoomIn(); });
  onView(cmd::kZoomOut, [](CTintaraView& view) { view.OnZoomOut(); });

  on(cmd::kCascade, [this] { mdiArea_->cascadeSubWindows(); });
  on(cmd::kTile, [this] { mdiArea_->tileSubWindows(); });
  on(cmd::kNextPane, [this] { mdiArea_->activateNextSubWindow(); });
  on(cmd::kPreviousPane, [this] { mdiArea_->activatePreviousSubWindow(); });
  on(cmd::kArrangeIcons, [this] { ArrangeIcons(); });

  on(cmd::kHelpTopics, [this] {
    const QString path = ui::ToQString(programFolder_ + "/" + kHelpDocument);
    // A missing document fails as the shell would fail to open it, with the same message.
    if (!QFileInfo(path).isFile() || !urlOpener_(QUrl::fromLocalFile(path))) ShowWarningText(kHelpFailed);
  });
  on(cmd::kLumenoOnline, [this] {
    if (!urlOpener_(QUrl(QString::fromLatin1(kHomePage)))) ShowWarningText(kWebPageFailed);
  });
  on(cmd::kAbout, [this] {
    CAboutDialog dialog(this);
    dialog.exec();
  });
}

QAction* CMainFrame::Action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::Run(const std::function<void()>& command) {
  command();
  UpdateCommandUI();
}

// ---- documents ----

bool CMainFrame::OpenDocumentFile(const std::string& path) {
  auto document = std::make_unique<CTintaraDoc>();
  CTintaraDoc* doc = document.get();
  // The window and its view are up while the document opens, so that the open fits the view to
  // the room it really has (Qt lays a hidden window out only when it is shown); a failed open
  // takes the window away again.
  auto* child = new CChildFrame(std::move(document));
  mdiArea_->addSubWindow(child);
  ConnectChild(child);
  child->show();
  if (!doc->OnOpenDocument(path)) {
    mdiArea_->removeSubWindow(child);
    delete child;
    UpdateCommandUI();
    return false;
  }
  child->UpdateTitle();
  mdiArea_->setActiveSubWindow(child);
  AddRecentFile(path);
  UpdateTitle();
  UpdateCommandUI();
  return true;
}

CChildFrame* CMainFrame::AddDocumentWindow(std::unique_ptr<CTintaraDoc> document) {
  auto* child = new CChildFrame(std::move(document));
  mdiArea_->addSubWindow(child);
  ConnectChild(child);
  child->show();
  mdiArea_->setActiveSubWindow(child);
  UpdateTitle();
  UpdateCommandUI();
  return child;
}

CChildFrame* CMainFrame::ActiveChild() const {
  // currentSubWindow, unlike activeSubWindow, still names the document while a dialog of the
  // program has the focus, so its command sees the document it was started on.
  return mdiArea_ ? qobject_cast<CChildFrame*>(mdiArea_->currentSubWindow()) : nullptr;
}

CTintaraDoc* CMainFrame::ActiveDocument() const {
  CChildFrame* child = ActiveChild();
  return child ? child->document() : nullptr;
}

CTintaraView* CMainFrame::ActiveView() const {
  CChildFrame* child = ActiveChild();
  return child ? child->view() : nullptr;
}

void CMainFrame::ConnectChild(CChildFrame* child) {
  connect(child->document(), &CTintaraDoc::stateChanged, this, [this] {
    UpdateTitle();
    UpdateCommandUI();
  });
  connect(child->view(), &CTintaraView::zoomChanged, this, &CMainFrame::UpdateTitle);
  child->view()->SetTool(static_cast<ViewTool>(tool_));
  CMarkingTool& marking = CMarkingTool::Install(*child->view(), cardModel_);
  connect(child->view(), &CTintaraView::toolRequested, this, [this](ViewTool tool) { SetTool(static_cast<Tool>(tool)); });
  connect(&marking, &CMarkingTool::selectionChanged, this, &CMainFrame::UpdateCommandUI);
  // Once a closed window is gone, the next one (or none) is the current one.
  connect(child, &QObject::destroyed, this, [this] {
    QMetaObject::invokeMethod(
        this,
        [this] {
          UpdateTitle();
          UpdateCommandUI();
        },
        Qt::QueuedConnection);
  });
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow*) {
  UpdateTitle();
  UpdateCommandUI();
}

void CMainFrame::UpdateTitle() {
  QString title = QString::fromLatin1(kAppTitle);
  if (CChildFrame* child = ActiveChild()) title += " - " + ui::ToQString(child->DocumentTitle());
  updatingTitle_ = true;
  const QString literal = LiteralWindowTitle(title);
  if (windowTitle() != literal) setWindowTitle(literal);
  updatingTitle_ = false;
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // A maximised document window writes its own title into the main window's; the main window's
  // title is always the program's name and the document's title.
  if (event->type() == QEvent::WindowTitleChange && !updatingTitle_ && mdiArea_) UpdateTitle();
}

// ---- profile bar ----

void CMainFrame::RefillProfileBox() { profileBar_->FillProfiles(profiles_); }

void CMainFrame::RefillReferenceBox() { profileBar_->FillReferences(references_, cardModel_); }

const ProfileRecord* CMainFrame::SelectedProfile() const { return profiles_.Find(profileBar_->SelectedProfileId()); }

int CMainFrame::SelectedReferenceIndex() const {
  const int index = profileBar_->SelectedReferenceIndex();
  return index >= 0 && static_cast<size_t>(index) < references_.size() ? index : -1;
}

void CMainFrame::SetTool(Tool tool) {
  tool_ = tool;
  // The active view runs the tool command; the others only take the tool over.
  CTintaraView* active = ActiveView();
  ForEachView(mdiArea_, [&](CTintaraView& view) {
    if (&view == active) {
      view.OnToolCommand(static_cast<ViewTool>(tool));
    } else {
      view.SetTool(static_cast<ViewTool>(tool));
    }
  });
  emit toolChanged();
  UpdateCommandUI();
}

void CMainFrame::SetCardModel(CardModel model) {
  cardModel_ = model;
  tool_ = Tool::kMark;
  CTintaraView* active = ActiveView();
  ForEachView(mdiArea_, [&](CTintaraView& view) {
    if (&view == active) {
      CMarkingTool::Of(view)->OnChooseCardModel(model);
    } else {
      CMarkingTool::Of(view)->SetCardModel(model);
      view.SetTool(ViewTool::kMark);
    }
  });
  RefillReferenceBox();
  emit cardModelChanged();
  emit toolChanged();
  UpdateCommandUI();
}

// ---- enabling ----

void CMainFrame::SetUndoEntry(int id) {
  if (undoEntry_->data().toInt() == id) return;
  const cmd::CommandEntry* entry = cmd::FindCommand(id);
  const auto [status, tip] = PromptOf(id);
  undoEntry_->setData(id);
  undoEntry_->setText(ui::ToQString(entry->menuText));
  undoEntry_->setIconText(tip);
  undoEntry_->setStatusTip(status);
  undoEntry_->setToolTip(tip);
}

void CMainFrame::UpdateCommandUI() {
  CTintaraDoc* doc = ActiveDocument();
  CTintaraView* view = ActiveView();
  const bool hasDocument = doc != nullptr;
  const ProfileRecord* profile = SelectedProfile();

  const auto enable = [this](int id, bool enabled) {
    for (auto [it, end] = actions_.equal_range(id); it != end; ++it) it->second->setEnabled(enabled);
  };
  const auto check = [this](int id, bool checked) {
    for (auto [it, end] = actions_.equal_range(id); it != end; ++it) it->second->setChecked(checked);
  };

  for (int id : {cmd::kClose, cmd::kSave, cmd::kSaveAs, cmd::kRotateCw, cmd::kRotateCcw, cmd::kCascade, cmd::kTile,
                 cmd::kArrangeIcons}) {
    enable(id, hasDocument);
  }
  enable(cmd::kConvert, hasDocument && CTintaraDoc::CanConvert(profile));
  enable(cmd::kProfileSaveAs, profile != nullptr);
  enable(cmd::kProfileRemove, profile != nullptr);

  const CTintaraDoc::UndoKind undo = hasDocument ? doc->Undo() : CTintaraDoc::UndoKind::kNone;
  SetUndoEntry(undo == CTintaraDoc::UndoKind::kEmbedding ? cmd::kUndoEmbedding : cmd::kUndoConversion);
  undoEntry_->setEnabled(undo != CTintaraDoc::UndoKind::kNone);
  undoKey_->setEnabled(undo != CTintaraDoc::UndoKind::kNone);

  for (int id : {cmd::kRealSize, cmd::kFitOnScreen, cmd::kEnterZoom, cmd::kZoomIn, cmd::kZoomOut, cmd::kToolMove,
                 cmd::kToolMark, cmd::kToolZoomIn, cmd::kToolZoomOut, cmd::kMarkK7, cmd::kMarkK3}) {
    enable(id, view != nullptr);
  }
  check(cmd::kToolMove, tool_ == Tool::kMove);
  check(cmd::kToolMark, tool_ == Tool::kMark);
  check(cmd::kToolZoomIn, tool_ == Tool::kZoomIn);
  check(cmd::kToolZoomOut, tool_ == Tool::kZoomOut);
  check(cmd::kMarkK7, cardModel_ == CardModel::K7);
  check(cmd::kMarkK3, cardModel_ == CardModel::K3);
  const CMarkingTool* marking = view ? CMarkingTool::Of(*view) : nullptr;
  for (int id : {cmd::kUnmark, cmd::kTurnSelection}) enable(id, marking && marking->selection().Complete());
  const std::optional<PreviousOutline> previous =
      marking ? ParsePreviousOutline(Settings().PreviousOutline()) : std::nullopt;
  enable(cmd::kUsePreviousOutline, previous && marking->CanPlaceOutline(*previous));
  enable(cmd::kCreateProfile, marking && marking->selection().Complete());
  enable(cmd::kQualityReport, CQualityReportDock::HasReport(*this));

  check(cmd::kViewToolbar, !toolBar_->isHidden());
  check(cmd::kViewProfileBar, !profileBar_->isHidden());
  check(cmd::kViewStatusBar, !statusBar()->isHidden());

  if (documentForm_ != hasDocument) {
    documentForm_ = hasDocument;
    for (int id : {cmd::kClose, cmd::kSaveAs}) Action(id)->setVisible(hasDocument);
    Action(cmd::kSave)->setVisible(hasDocument);  // the File menu's Save; the toolbar's stays
    fileDocumentSeparator_->setVisible(hasDocument);
    imageMenu_->menuAction()->setVisible(hasDocument);
    windowMenu_->menuAction()->setVisible(hasDocument);
    zoomSeparator_->setVisible(hasDocument);
    for (int id : {cmd::kRealSize, cmd::kFitOnScreen, cmd::kEnterZoom, cmd::kZoomIn, cmd::kZoomOut}) {
      Action(id)->setVisible(hasDocument);
    }
  }
}

// ---- recent files ----

std::vector<std::string> CMainFrame::RecentFiles() const { return recentFiles_; }

void CMainFrame::AddRecentFile(const std::string& path) {
  std::erase(recentFiles_, path);
  recentFiles_.insert(recentFiles_.begin(), path);
  if (recentFiles_.size() > static_cast<size_t>(cmd::kRecentFileCount)) recentFiles_.resize(cmd::kRecentFileCount);
  StoreRecentFiles();
}

void CMainFrame::RemoveRecentFile(const std::string& path) {
  std::erase(recentFiles_, path);
  StoreRecentFiles();
}

void CMainFrame::StoreRecentFiles() {
  for (int i = 0; i < cmd::kRecentFileCount; ++i) {
    const size_t k = static_cast<size_t>(i);
    frameStore_.Write(kRecentSection, "File" + std::to_string(i + 1), k < recentFiles_.size() ? recentFiles_[k] : "");
  }
  RebuildRecentFileEntries();
}

void CMainFrame::RebuildRecentFileEntries() {
  for (size_t i = 0; i < recentEntries_.size(); ++i) {
    QAction* entry = recentEntries_[i];
    const bool used = i < recentFiles_.size();
    entry->setVisible(used);
    if (used) {
      QString path = ui::ToQString(recentFiles_[i]);
      path.replace('&', QStringLiteral("&&"));
      entry->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
    }
  }
  noRecentFile_->setVisible(recentFiles_.empty());
}

// ---- windows ----

void CMainFrame::RebuildWindowMenu() {
  windowMenu_->clear();
  windowMenu_->addAction(Action(cmd::kCascade));
  windowMenu_->addAction(Action(cmd::kTile));
  windowMenu_->addAction(Action(cmd::kArrangeIcons));
  const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
  if (windows.isEmpty()) return;
  windowMenu_->addSeparator();
  int number = 1;
  for (QMdiSubWindow* window : windows) {
    if (window->isHidden() && !window->isMinimized()) continue;
    QString title = window->windowTitle();
    title.replace('&', QStringLiteral("&&"));
    QAction* entry = windowMenu_->addAction(QStringLiteral("&%1 %2").arg(number++).arg(title));
    entry->setCheckable(true);
    entry->setChecked(window == mdiArea_->currentSubWindow());
    connect(entry, &QAction::triggered, this, [this, window] {
      mdiArea_->setActiveSubWindow(window);
      UpdateCommandUI();
    });
  }
}

void CMainFrame::ArrangeIcons() {
  // Minimised windows line up along the bottom of the area, left to right, row above row.
  const QRect area = mdiArea_->viewport()->rect();
  int x = 0;
  int y = area.bottom() + 1;
  int rowHeight = 0;
  for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
    if (!window->isMinimized()) continue;
    const QSize size = window->size();
    if (x > 0 && x + size.width() > area.width()) {
      x = 0;
      y -= rowHeight;
      rowHeight = 0;
    }
    rowHeight = std::max(rowHeight, size.height());
    window->move(x, y - size.height());
    x += size.width();
  }
}

bool CMainFrame::CloseAllDocuments() {
  const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
  // Every question is answered before any window closes, so a Cancel leaves all of them open.
  for (QMdiSubWindow* window : windows) {
    auto* child = qobject_cast<CChildFrame*>(window);
    if (child && child->document()->IsModified() && !child->document()->SaveModified()) return false;
  }
  for (QMdiSubWindow* window : windows) {
    if (auto* child = qobject_cast<CChildFrame*>(window)) child->CloseWithoutAsking();
  }
  return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  SaveBarState(*this, frameStore_);
  SaveWindowPlacement(*this, frameStore_);
  if (!PromptSaveUnsavedProfiles(profiles_) || !CloseAllDocuments()) {
    event->ignore();
    UpdateCommandUI();
    return;
  }
  event->accept();
}

// ---- dropping files ----

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) {
    event->acceptProposedAction();
  }
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  event->acceptProposedAction();
  for (const QUrl& url : urls) {
    if (url.isLocalFile()) OpenDocumentFile(ui::ToUtf8(url.toLocalFile()));
  }
}

}  // namespace tintara
