#include "app/ui/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
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
#include "app/settings_storage.h"
#include "app/ui/about_dialog.h"
#include "app/ui/child_frame.h"
#include "app/ui/preferences_command.h"
#include "app/ui/window_placement.h"
#include "base/strings.h"
#include "base/ui/commands.h"
#include "base/ui/ui_text.h"
#include "batch/ui/batch_command.h"
#include "card/ui/marking_commands.h"
#include "image/ui/image_commands.h"
#include "image/ui/image_file_dialogs.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/tintara_view.h"
#include "profiles/ui/profile_bar.h"
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

void ShowWarningText(const char* text) { Presenter().ShowMessageBox(StringOrEmpty(33029), text); }

}  // namespace

CMainFrame::CMainFrame(ProfileStore& profiles, const ReferenceSetList& references, SettingsStorage& frameStore,
                       std::string programFolder, QWidget* parent)
    : QMainWindow(parent),
      profiles_(profiles),
      references_(references),
      frameStore_(frameStore),
      programFolder_(std::move(programFolder)),
      commands_(*this),
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

  // The features, each with its own commands.
  profileBar_ = new CProfileBar(this);
  RegisterFrameCommands();
  profileMenu_ = std::make_unique<CProfileMenu>(commands_, profiles_, *profileBar_);
  image_ = new CImageCommands(commands_, *this, [this] { return SelectedProfile(); }, this);
  marking_ = new CMarkingCommands(commands_, *this, *image_, *profileMenu_, references_, *this, this);
  RegisterBatchCommand(commands_, *this, *profileMenu_);

  BuildRecentFileEntries();
  BuildToolBar();
  addToolBar(Qt::TopToolBarArea, profileBar_);
  statusBar()->setObjectName("StatusBar");
  BuildMenus();
  commands_.AddUpdateStep([this] { ShowMenuForm(ActiveDocument() != nullptr); });
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

void CMainFrame::ShowWithStoredPlacement() {
  if (RestoreWindowPlacement(*this, frameStore_) == kShowMaximized) {
    showMaximized();
  } else {
    show();
  }
}

// ---- the frame's own commands, toolbar, menus ----

void CMainFrame::RegisterFrameCommands() {
  const auto hasDocument = [this] { return ActiveDocument() != nullptr; };
  commands_.Register(cmd::kOpen, [this] {
    if (const std::optional<std::string> path = AskOpenImagePath()) OpenDocumentFile(*path);
  });
  commands_.Register(
      cmd::kClose,
      [this] {
        if (CChildFrame* child = ActiveChild()) child->close();
      },
      hasDocument);
  commands_.Register(cmd::kPreferences, [this] { RunPreferencesCommand(*this); });
  commands_.Register(cmd::kExit, [this] { close(); });

  const auto toggle = [this](int id, QWidget* bar) {
    commands_.Register(id, [bar] { bar->setVisible(bar->isHidden()); }, {}, [bar] { return !bar->isHidden(); });
  };
  toggle(cmd::kViewProfileBar, profileBar_);
  toggle(cmd::kViewStatusBar, statusBar());
  // The toolbar is made with the layout; its entry finds it then.
  commands_.Register(
      cmd::kViewToolbar, [this] { toolBar_->setVisible(toolBar_->isHidden()); }, {},
      [this] { return toolBar_ && !toolBar_->isHidden(); });

  commands_.Register(cmd::kCascade, [this] { mdiArea_->cascadeSubWindows(); }, hasDocument);
  commands_.Register(cmd::kTile, [this] { mdiArea_->tileSubWindows(); }, hasDocument);
  commands_.Register(cmd::kArrangeIcons, [this] { ArrangeIcons(); }, hasDocument);
  commands_.Register(cmd::kNextPane, [this] { mdiArea_->activateNextSubWindow(); });
  commands_.Register(cmd::kPreviousPane, [this] { mdiArea_->activatePreviousSubWindow(); });

  commands_.Register(cmd::kHelpTopics, [this] {
    const QString path = ui::ToQString(programFolder_ + "/" + kHelpDocument);
    // A missing document fails as the shell would fail to open it, with the same message.
    if (!QFileInfo(path).isFile() || !urlOpener_(QUrl::fromLocalFile(path))) ShowWarningText(kHelpFailed);
  });
  commands_.Register(cmd::kLumenoOnline, [this] {
    if (!urlOpener_(QUrl(QString::fromLatin1(kHomePage)))) ShowWarningText(kWebPageFailed);
  });
  commands_.Register(cmd::kAbout, [this] {
    CAboutDialog dialog(this);
    dialog.exec();
  });
}

void CMainFrame::BuildRecentFileEntries() {
  for (int i = 0; i < cmd::kRecentFileCount; ++i) {
    auto* entry = new QAction(this);
    entry->setStatusTip(CommandPrompt(cmd::kRecentFile1).first);
    connect(entry, &QAction::triggered, this, [this, i] {
      if (static_cast<size_t>(i) < recentFiles_.size()) {
        const std::string path = recentFiles_[static_cast<size_t>(i)];
        // A file that no longer opens leaves the list, as it would only fail again.
        if (!OpenDocumentFile(path)) RemoveRecentFile(path);
      }
      UpdateCommandUI();
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
  commands_.AddAction(cmd::kSave, save);
  toolBar_->addAction(save);
  toolBar_->addSeparator();
  toolBar_->addAction(Action(cmd::kToolMove));

  // The "Selection" drop-down names the models without mnemonics.
  popupK7_ = new QAction(tr("Lumeno K7"), this);
  popupK3_ = new QAction(tr("Lumeno K3"), this);
  for (const auto& [entry, id] : {std::pair{popupK7_, cmd::kMarkK7}, std::pair{popupK3_, cmd::kMarkK3}}) {
    entry->setData(id);
    entry->setStatusTip(CommandPrompt(id).first);
    commands_.AddAction(id, entry);
  }
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
  toolBar_->addAction(Action(cmd::kUndoConversion));
  auto* gap = new QWidget(toolBar_);
  gap->setFixedWidth(10);
  toolBar_->addWidget(gap);
}

void CMainFrame::BuildMenus() {
  QMenuBar* bar = menuBar();
  const auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
    for (int id : ids) menu->addAction(Action(id));
  };

  fileMenu_ = bar->addMenu(tr("&File"));
  add(fileMenu_, {cmd::kOpen, cmd::kClose, cmd::kSave, cmd::kSaveAs});
  fileDocumentSeparator_ = fileMenu_->addSeparator();
  add(fileMenu_, {cmd::kBatch, cmd::kPreferences});
  fileMenu_->addSeparator();
  fileMenu_->addAction(noRecentFile_);
  for (QAction* entry : recentEntries_) fileMenu_->addAction(entry);
  fileMenu_->addSeparator();
  add(fileMenu_, {cmd::kExit});
  RebuildRecentFileEntries();

  profileMenuEntries_ = bar->addMenu(tr("&Profile"));
  add(profileMenuEntries_, {cmd::kProfileAdd, cmd::kProfileSaveAs, cmd::kProfileRemove});

  imageMenu_ = bar->addMenu(tr("&Image"));
  QMenu* markMenu = imageMenu_->addMenu(tr("&Mark"));
  add(markMenu, {cmd::kMarkK7, cmd::kMarkK3});
  markMenu->addSeparator();
  add(markMenu, {cmd::kUsePreviousOutline});
  add(imageMenu_, {cmd::kUnmark, cmd::kTurnSelection});
  imageMenu_->addSeparator();
  add(imageMenu_, {cmd::kCreateProfile, cmd::kQualityReport, cmd::kConvert, cmd::kUndoConversion});
  imageMenu_->addSeparator();
  add(imageMenu_, {cmd::kRotateCw, cmd::kRotateCcw});

  viewMenu_ = bar->addMenu(tr("&View"));
  add(viewMenu_, {cmd::kViewToolbar, cmd::kViewProfileBar, cmd::kViewStatusBar});
  zoomSeparator_ = viewMenu_->addSeparator();
  add(viewMenu_, {cmd::kRealSize, cmd::kFitOnScreen, cmd::kEnterZoom, cmd::kZoomIn, cmd::kZoomOut});

  windowMenu_ = bar->addMenu(tr("&Window"));
  connect(windowMenu_, &QMenu::aboutToShow, this, &CMainFrame::RebuildWindowMenu);
  RebuildWindowMenu();

  helpMenu_ = bar->addMenu(tr("&Help"));
  add(helpMenu_, {cmd::kHelpTopics, cmd::kLumenoOnline});
  helpMenu_->addSeparator();
  add(helpMenu_, {cmd::kAbout});

  // Until the first document opens, the menus show their form without one.
  documentForm_ = true;
}

void CMainFrame::ShowMenuForm(bool withDocument) {
  if (documentForm_ == withDocument) return;
  documentForm_ = withDocument;
  for (int id : {cmd::kClose, cmd::kSaveAs}) Action(id)->setVisible(withDocument);
  Action(cmd::kSave)->setVisible(withDocument);  // the File menu's Save; the toolbar's stays
  fileDocumentSeparator_->setVisible(withDocument);
  imageMenu_->menuAction()->setVisible(withDocument);
  windowMenu_->menuAction()->setVisible(withDocument);
  zoomSeparator_->setVisible(withDocument);
  for (int id : {cmd::kRealSize, cmd::kFitOnScreen, cmd::kEnterZoom, cmd::kZoomIn, cmd::kZoomOut}) {
    Action(id)->setVisible(withDocument);
  }
}

void CMainFrame::UpdateCommandUI() { commands_.UpdateCommandUI(); }

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

std::vector<CTintaraView*> CMainFrame::Views() const {
  std::vector<CTintaraView*> views;
  for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
    if (auto* child = qobject_cast<CChildFrame*>(window); child && child->view()) views.push_back(child->view());
  }
  return views;
}

void CMainFrame::ConnectChild(CChildFrame* child) {
  connect(child->document(), &CTintaraDoc::stateChanged, this, [this] {
    UpdateTitle();
    UpdateCommandUI();
  });
  connect(child->view(), &CTintaraView::zoomChanged, this, &CMainFrame::UpdateTitle);
  image_->AttachView(*child->view());
  marking_->AttachView(*child->view());
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

void CMainFrame::RefillProfileBox() { profileMenu_->RefillProfileBox(); }

void CMainFrame::RefillReferenceBox() { marking_->RefillReferenceBox(); }

const ProfileRecord* CMainFrame::SelectedProfile() const { return profileMenu_->SelectedProfile(); }

int CMainFrame::SelectedReferenceIndex() const { return marking_->SelectedReferenceIndex(); }

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
