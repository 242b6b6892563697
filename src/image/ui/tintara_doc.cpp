#include "image/ui/tintara_doc.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include "app/messages.h"
#include "app/settings.h"
#include "image/ui/monitor_adjustment.h"

namespace tintara {

namespace {

// The wait cursor for the length of one command; nothing is shown without a GUI application.
class WaitCursor {
 public:
  WaitCursor() : active_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (active_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~WaitCursor() {
    if (active_) QGuiApplication::restoreOverrideCursor();
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  bool active_;
};

// The settings store's values, read whenever the document needs them: Preferences may change them
// while it is open.
ImageDocumentSettings DesktopSettings() {
  ImageDocumentSettings settings;
  settings.defaultJpegQuality = [] { return Settings().JPEGQuality(); };
  settings.adjustForMonitor = [] { return Settings().ICMFlag(); };
  settings.monitorAdjustment = [](DisplayBitmap& bitmap) { AdjustForMonitor(bitmap); };
  return settings;
}

// Runs a Save As flow with the stored "SaveImagePath" and stores the folder the user chose.
template <typename Flow>
bool WithSaveFolder(Flow flow) {
  std::string folder = Settings().SaveImageFolder();
  const std::string before = folder;
  const bool saved = flow(folder);
  if (folder != before) Settings().SetSaveImageFolder(folder);
  return saved;
}

}  // namespace

CTintaraDoc::CTintaraDoc() : core_(ImageDocumentOptions{}, DesktopSettings()) { core_.SetObserver(this); }

CTintaraDoc::~CTintaraDoc() { core_.SetObserver(nullptr); }

bool CTintaraDoc::OnOpenDocument(const std::string& path) {
  WaitCursor wait;
  return core_.Open(path, AppMessages()).ok();
}

bool CTintaraDoc::OnFileSave() {
  return WithSaveFolder([this](std::string& folder) { return core_.Save(AppMessages(), folder).ok(); });
}

bool CTintaraDoc::OnFileSaveAs() {
  return WithSaveFolder([this](std::string& folder) { return core_.SaveAs(AppMessages(), folder).ok(); });
}

bool CTintaraDoc::OnSaveDocument(const std::string& path) {
  WaitCursor wait;
  return core_.SaveTo(path, AppMessages()).ok();
}

void CTintaraDoc::OnConvert(const ProfileRecord* profile) {
  WaitCursor wait;
  core_.Convert(profile, AppMessages());
}

void CTintaraDoc::OnUndoConversion() {
  WaitCursor wait;
  core_.UndoConversion(AppMessages());
}

void CTintaraDoc::OnUndoEmbedding() {
  WaitCursor wait;
  core_.UndoEmbedding(AppMessages());
}

void CTintaraDoc::OnUndo() {
  WaitCursor wait;
  core_.Undo(AppMessages());
}

void CTintaraDoc::OnRotate(bool clockwise) {
  WaitCursor wait;
  core_.Rotate(clockwise, AppMessages());
}

bool CTintaraDoc::SaveModified() {
  return WithSaveFolder([this](std::string& folder) { return core_.SaveModified(AppMessages(), folder); });
}

Error CTintaraDoc::RebuildDisplay() {
  WaitCursor wait;
  return core_.RebuildDisplay();
}

}  // namespace tintara
