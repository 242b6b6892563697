#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "image/display_bitmap.h"
#include "image/image_buffer.h"
#include "profiles/profile_record.h"

namespace tintara {

class CTintaraView;

// The window title of a document: "card.tif @ 25% (RGB, 2000 x 1500)" followed by `suffix`; below
// 5 % the zoom keeps one decimal ("4.0%"). The numbers are written the same whatever the locale.
std::string ComposeDocumentTitle(const std::string& fileName, double zoom, int width, int height,
                                 const std::string& suffix);

// One open photograph: its image with the unconverted copy, the display bitmap, the profile the
// file carries, and the path, title and modified state. Conversion, both undos, the quarter turns
// and saving happen here; every box goes through the message convention (app/messages.h), so the
// document runs in tests with scripted answers. Texts are UTF-8.
class CTintaraDoc : public QObject {
  Q_OBJECT

 public:
  enum class UndoKind { kNone, kConversion, kEmbedding };

  CTintaraDoc();
  ~CTintaraDoc() override;

  // Opens a TIFF or JPEG file, keeping the profile it carries. False after its message; a refused
  // file leaves the document as it was.
  bool OnOpenDocument(const std::string& path);

  // The Save command (Save As for a read-only, new or vanished file), Save As with the Save As
  // dialog, and the save to a given path. True when the image was written.
  bool OnFileSave();
  bool OnFileSaveAs();
  bool OnSaveDocument(const std::string& path);

  // Converts with `profile` (the profile bar's selection; nullptr when it has none).
  void OnConvert(const ProfileRecord* profile);
  void OnUndoConversion();
  void OnUndoEmbedding();
  void OnUndo();  // Ctrl+Z: whichever undo applies
  void OnRotate(bool clockwise);

  // Enabling: Convert needs a selected profile of this system.
  static bool CanConvert(const ProfileRecord* profile);
  // Which undo the Image menu's undo entry and the toolbar's Undo button stand for.
  UndoKind Undo() const;

  // The usual question before a modified document closes: Yes saves (true when the save
  // succeeded), No discards (true), Cancel keeps it open (false).
  bool SaveModified();

  // The composed title, for example "card.tif @ 25% (RGB, 2000 x 1500)", at the zoom of the first
  // view (1.0 without a view), and the state part of it (", converted with color profile 'x'").
  std::string Title() const;
  std::string TitleSuffix() const;
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified);

  const std::string& pathName() const { return pathName_; }
  const std::string& fileName() const { return fileName_; }
  const ImageBuffer& image() const { return image_; }
  const DisplayBitmap& displayBitmap() const { return displayBitmap_; }
  int jpegQuality() const { return jpegQuality_; }
  const ProfileRecord& embeddedProfile() const { return embeddedProfile_; }
  bool HasEmbeddedProfile() const { return embeddedProfile_.Size() > 0; }

  // Rebuilds the display bitmap (after a change of the monitor setting, for example). 0 or 3.
  int RebuildDisplay();

  // The views showing this document, first view first (registered by CTintaraView).
  void AddView(CTintaraView* view);
  void RemoveView(CTintaraView* view);
  CTintaraView* FirstView() const { return views_.empty() ? nullptr : views_.front(); }
  void UpdateAllViews(int hint);

 signals:
  // The title, the modified flag or the undo kind may have changed.
  void stateChanged();

 private:
  ImageBuffer image_;
  DisplayBitmap displayBitmap_;
  ProfileRecord embeddedProfile_;
  std::string pathName_;
  std::string fileName_;
  int RebuildDisplayOrEnd();
  void AfterChange();

  int jpegQuality_ = -1;
  bool askJpegQuality_ = true;
  bool modified_ = false;
  // The file held further full-resolution images (pages) that were not read: writing over it would
  // lose them.
  bool fileHasFurtherImages_ = false;
  std::vector<CTintaraView*> views_;
};

}  // namespace tintara
