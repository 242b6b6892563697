#pragma once

#include <QMainWindow>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/ui/command_registry.h"
#include "engine/reference_data.h"
#include "image/ui/document_windows.h"
#include "profiles/profile_store.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace tintara {

class CChildFrame;
class CImageCommands;
class CMarkingCommands;
class CProfileBar;
class CProfileMenu;
class SettingsStorage;

// The main window, where the program's features come together: the document windows in an MDI
// area, the image toolbar, the profile bar, the status bar and the menus in their two forms (without
// a document: File, Profile, View, Help; with one also the document entries, Image and Window).
// Each feature registers its own commands (the document and view commands, marking, the Profile
// menu, Batch); the frame runs the window's own (Open, Close, Exit, the recent files, the bars, the
// windows, help, About, Preferences), lays every command out in the menus and the toolbar and runs
// the enabling pass after each.
class CMainFrame : public QMainWindow, public DocumentWindows {
  Q_OBJECT

 public:
  // `frameStore` keeps the window placement, the bar state and the recent files; `programFolder`
  // is where the help document lies. The store, the reference sets and `frameStore` must outlive
  // the frame. The bar state is restored here; the placement when the frame is shown.
  CMainFrame(ProfileStore& profiles, const ReferenceSetList& references, SettingsStorage& frameStore,
             std::string programFolder, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Places the frame as stored (or where the window system puts a new window) and shows it.
  void ShowWithStoredPlacement();

  // Opens an image in a new window; false (after the document's message) leaves no window.
  bool OpenDocumentFile(const std::string& path);
  // Shows an open document in a new window, which takes it over.
  CChildFrame* AddDocumentWindow(std::unique_ptr<CTintaraDoc> document);

  // The current document window (also while a dialog has the focus), its document and view.
  CChildFrame* ActiveChild() const;
  CTintaraDoc* ActiveDocument() const override;
  CTintaraView* ActiveView() const override;
  std::vector<CTintaraView*> Views() const override;

  QMdiArea* mdiArea() const { return mdiArea_; }
  // The application's profile store and reference sets, which the frame's commands work on.
  ProfileStore& profiles() const { return profiles_; }
  const ReferenceSetList& references() const { return references_; }
  CProfileBar* profileBar() const { return profileBar_; }
  QToolBar* toolBar() const { return toolBar_; }

  // The features.
  CProfileMenu& profileMenu() const { return *profileMenu_; }
  CImageCommands& imageCommands() const { return *image_; }
  CMarkingCommands& marking() const { return *marking_; }

  // Refill the profile bar's boxes: "Profile:" after the store changed, "Reference:" for the
  // current card model.
  void RefillProfileBox();
  void RefillReferenceBox();
  // The profile of the selected "Profile:" entry and the set of the selected "Reference:" entry's
  // position; nullptr and -1 when nothing is selected.
  const ProfileRecord* SelectedProfile() const;
  int SelectedReferenceIndex() const;

  // The action of a command: the one in the menus (the toolbar shares it); the undo entry for both
  // undo commands.
  QAction* Action(int id) const { return commands_.Action(id); }
  // The toolbar's Mark button, with the "Selection" drop-down.
  QToolButton* markButton() const { return markButton_; }
  QMenu* selectionMenu() const { return selectionMenu_; }

  // Whether the menu bar shows the form with the document entries.
  bool ShowsDocumentMenus() const { return documentForm_; }

  // Brings every command's enabling, check marks and the undo entry up to date, and switches the
  // menus to the form that fits.
  void UpdateCommandUI();
  void UpdateTitle();

  // The recent files, most recent first (at most four).
  std::vector<std::string> RecentFiles() const;

  // How a document or web address is opened with its default program; tests put their own here.
  using UrlOpener = std::function<bool(const QUrl&)>;
  void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

  // The maker's home page, opened by Help > Lumeno Online.
  static constexpr char kHomePage[] = "https://www.lumeno.example/tintara";

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void RegisterFrameCommands();
  void BuildRecentFileEntries();
  void BuildToolBar();
  void BuildMenus();
  // The menus in the form that fits: with or without the document entries.
  void ShowMenuForm(bool withDocument);
  void AddRecentFile(const std::string& path);
  void RemoveRecentFile(const std::string& path);
  void StoreRecentFiles();
  void RebuildRecentFileEntries();
  void RebuildWindowMenu();
  void ArrangeIcons();
  bool CloseAllDocuments();
  void OnSubWindowActivated(QMdiSubWindow* window);
  void ConnectChild(CChildFrame* child);

  ProfileStore& profiles_;
  const ReferenceSetList& references_;
  SettingsStorage& frameStore_;
  std::string programFolder_;

  QMdiArea* mdiArea_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  CProfileBar* profileBar_ = nullptr;
  QToolButton* markButton_ = nullptr;

  CommandRegistry commands_;
  std::unique_ptr<CProfileMenu> profileMenu_;
  CImageCommands* image_ = nullptr;     // children of the frame
  CMarkingCommands* marking_ = nullptr;

  QAction* popupK7_ = nullptr;  // the "Selection" drop-down's entries
  QAction* popupK3_ = nullptr;
  QAction* zoomSeparator_ = nullptr;
  QAction* fileDocumentSeparator_ = nullptr;
  QAction* noRecentFile_ = nullptr;
  std::vector<QAction*> recentEntries_;

  QMenu* fileMenu_ = nullptr;
  QMenu* profileMenuEntries_ = nullptr;
  QMenu* imageMenu_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QMenu* selectionMenu_ = nullptr;
  bool documentForm_ = false;

  std::vector<std::string> recentFiles_;
  UrlOpener urlOpener_;
  bool updatingTitle_ = false;
};

}  // namespace tintara
