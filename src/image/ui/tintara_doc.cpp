#include "image/ui/tintara_doc.h"

#include <algorithm>

#include "image/ui/tintara_view.h"

namespace tintara {

// A first cut that the document's own work replaces: the view and the frame link against it.

CTintaraDoc::CTintaraDoc() = default;
CTintaraDoc::~CTintaraDoc() = default;

bool CTintaraDoc::OnOpenDocument(const std::string&) { return false; }
bool CTintaraDoc::OnFileSave() { return false; }
bool CTintaraDoc::OnFileSaveAs() { return false; }
bool CTintaraDoc::OnSaveDocument(const std::string&) { return false; }
void CTintaraDoc::OnConvert(const ProfileRecord*) {}
void CTintaraDoc::OnUndoConversion() {}
void CTintaraDoc::OnUndoEmbedding() {}
void CTintaraDoc::OnUndo() {}
void CTintaraDoc::OnRotate(bool) {}
bool CTintaraDoc::CanConvert(const ProfileRecord* profile) { return profile && profile->TransformLoaded; }
CTintaraDoc::UndoKind CTintaraDoc::Undo() const { return UndoKind::kNone; }
bool CTintaraDoc::SaveModified() { return true; }
std::string CTintaraDoc::Title() const { return fileName_; }
void CTintaraDoc::SetModifiedFlag(bool modified) { modified_ = modified; }
int CTintaraDoc::RebuildDisplay() { return 0; }

void CTintaraDoc::AddView(CTintaraView* view) { views_.push_back(view); }
void CTintaraDoc::RemoveView(CTintaraView* view) { views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end()); }
void CTintaraDoc::UpdateAllViews(int hint) {
  for (CTintaraView* view : views_) view->OnUpdate(hint);
}

}  // namespace tintara
