#include "image/ui/tintara_doc.h"

#include "app/messages.h"
#include "app/settings.h"
#include "base/ui/override_cursor.h"
#include "image/ui/monitor_adjustment.h"

namespace tintara {

namespace {

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
  const ScopedOverrideCursor wait(Qt::WaitCursor);
  return core_.Open(path, AppMessages()).ok();
}

bool CTintaraDoc::OnFileSave() {
  return WithSaveFolder([this](std::string& folder) { return core_.Save(AppMessages(), folder).ok(); });
}

bool CTintaraDoc::OnFileSaveAs() {
  return WithSaveFolder([this](std::string& folder) { return core_.SaveAs(AppMessages(), folder).ok(); });
}

bool CTintaraDoc::OnSaveDocument(const std::string& path) {
  const ScopedOverrideCursor wait(Qt::WaitCursor);
  return core_.SaveTo(path, AppMessages()).ok();
}

void CTintaraDoc::OnConvert(const ProfileRecord* profile) {
  const ScopedOverrideCursor wait(Qt::WaitCursor);
  core_.Convert(profile, AppMessages());
}

void CTintaraDoc::OnUndoConversion() {
  const ScopedOverrideCursor wait(Qt::WaitCursor);
  core_.UndoConversion(AppMessages());
}

void CTintaraDoc::OnUndoEmbedding() {
  const ScopedOverrideCursor wait(Qt::WaitCursor);
  core_.UndoEmbedding(AppMessages());
}

void CTintaraDoc::OnUndo() {
  const ScopedOverrideCursor wait(Qt::WaitCursor);
  core_.Undo(AppMessages());
}

void CTintaraDoc::OnRotate(bool clockwise) {
  const ScopedOverrideCursor wait(Qt::WaitCursor);
  core_.Rotate(clockwise, AppMessages());
}

bool CTintaraDoc::SaveModified() {
  return WithSaveFolder([this](std::string& folder) { return core_.SaveModified(AppMessages(), folder); });
}

Error CTintaraDoc::RebuildDisplay() {
  const ScopedOverrideCursor wait(Qt::WaitCursor);
  return core_.RebuildDisplay();
}

}  // namespace tintara
