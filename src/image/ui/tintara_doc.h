#pragma once

#include <QObject>
#include <string>

#include "image/image_document.h"

namespace tintara {

// One open photograph in the desktop program: the document core (image/image_document.h) with what
// only the desktop has: the wait cursor, the monitor adjustment, the message boxes of the installed
// presenter and the settings store's values. Views observe it through its signals; it never calls
// a view. Texts are UTF-8.
class CTintaraDoc : public QObject, private ImageDocumentObserver {
  Q_OBJECT

 public:
  using UndoKind = ImageDocument::UndoKind;

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

  static bool CanConvert(const ProfileRecord* profile) { return ImageDocument::CanConvert(profile); }
  UndoKind Undo() const { return core_.undoKind(); }

  // The usual question before a modified document closes: Yes saves (true when the save
  // succeeded), No discards (true), Cancel keeps it open (false).
  bool SaveModified();

  // The composed title at the zoom the document's view shows it at, for example
  // "card.tif @ 25% (RGB, 2000 x 1500)", and the state part of it.
  std::string Title(double zoom) const { return core_.Title(zoom); }
  std::string TitleSuffix() const { return core_.TitleSuffix(); }
  bool IsModified() const { return core_.modified(); }
  void SetModifiedFlag(bool modified) { core_.SetModified(modified); }

  const std::string& pathName() const { return core_.pathName(); }
  const std::string& fileName() const { return core_.fileName(); }
  const ImageBuffer& image() const { return core_.image(); }
  const DisplayBitmap& displayBitmap() const { return core_.displayBitmap(); }
  int jpegQuality() const { return core_.jpegQuality(); }
  const ProfileRecord& embeddedProfile() const { return core_.embeddedProfile(); }
  bool HasEmbeddedProfile() const { return core_.HasEmbeddedProfile(); }

  // Makes the display bitmap again (after a change of the monitor setting, for example); the views
  // repaint. 0 or 3.
  Error RebuildDisplay();

  ImageDocument& core() { return core_; }
  const ImageDocument& core() const { return core_; }

 signals:
  // A file was opened: the views fit the image.
  void opened();
  // The pixels or the display bitmap changed: the views paint again.
  void pixelsChanged();
  // The image was turned by a quarter: a card outline turns with it.
  void imageTurned(bool clockwise);
  // The title, the modified flag or the undo kind may have changed.
  void stateChanged();

 private:
  void DocumentOpened() override { emit opened(); }
  void PixelsChanged() override { emit pixelsChanged(); }
  void ImageTurned(bool clockwise) override { emit imageTurned(clockwise); }
  void StateChanged() override { emit stateChanged(); }

  ImageDocument core_;
};

}  // namespace tintara
