#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "base/error.h"
#include "base/messages.h"
#include "image/display_bitmap.h"
#include "image/image_buffer.h"
#include "image/jpeg_embed.h"
#include "profiles/profile_record.h"

namespace tintara {

// What a step returns when the user said No or Cancel: it failed, and there is nothing to show.
inline constexpr int kCancelledByUser = -1;

// The window title of a document: "card.tif @ 25% (RGB, 2000 x 1500)" followed by `suffix`; below
// 5 % the zoom keeps one decimal ("4.0%"). The numbers are written the same whatever the locale.
std::string ComposeDocumentTitle(const std::string& fileName, double zoom, int width, int height,
                                 const std::string& suffix);

// Who shows a document hears of its changes here; the document never reaches for a view.
class ImageDocumentObserver {
 public:
  virtual ~ImageDocumentObserver() = default;
  // A file was opened into the document: the views fit the new image.
  virtual void DocumentOpened() {}
  // The pixels or the display bitmap changed (possibly to an empty bitmap, when it could not be
  // made): the views paint again.
  virtual void PixelsChanged() {}
  // The image was turned by a quarter: a card outline on it turns with it.
  virtual void ImageTurned(bool /*clockwise*/) {}
  // The title, the modified flag or the undo kind may have changed.
  virtual void StateChanged() {}
};

struct ImageDocumentOptions {
  // The pixels as read are kept beside the current ones, for the undos and for converting again.
  // Without them a conversion is made in place and cannot be undone (the command line's convert).
  bool keepUnconverted = true;
  // The screen copy of the image is made and kept up to date.
  bool keepDisplay = true;
  // A JPEG is opened to be given a profile and saved as a JPEG, nothing else (the command line's
  // embed into a JPEG): its file is checked as a read would check it, decoding it a few rows at a
  // time, and only its compressed data is held, not its pixels. Saved as a JPEG it keeps that data
  // byte for byte; only its profile segments are replaced. Such a document has no image: converting
  // and turning it do nothing, and a save in another format fails.
  bool keepCompressedJpeg = false;
};

// What the document needs of the program's settings, read at the moment it is needed (they may
// change while the document is open). Each may be left empty.
struct ImageDocumentSettings {
  // "JPEGQuality": the quality of a JPEG save while the document has none of its own (90 if empty).
  std::function<int()> defaultJpegQuality;
  // "ICMFlag": whether the display is adjusted for the monitor ...
  std::function<bool()> adjustForMonitor;
  // ... by this, in place; a failed adjustment leaves the plain copy.
  std::function<void(DisplayBitmap&)> monitorAdjustment;
};

// One open photograph and its rules, whichever program shows it: the image with its unconverted
// copy, the display bitmap, the profile the file carries, the path, the modified flag and the JPEG
// quality. Open, Convert, both undos, the quarter turns and saving happen here. Every box and
// question goes through the Messages a step is handed, and every step also returns its Error (with
// the file it concerns in the detail), so a caller without boxes can say it in its own way. A
// failed step leaves the document as it was, except where it says otherwise. Texts are UTF-8.
class ImageDocument {
 public:
  enum class UndoKind { kNone, kConversion, kEmbedding };

  explicit ImageDocument(ImageDocumentOptions options = {}, ImageDocumentSettings settings = {});

  // Not owned; nullptr for none.
  void SetObserver(ImageDocumentObserver* observer) { observer_ = observer; }

  // Opens a TIFF or JPEG file, keeping the profile it carries. The refusals come first: a file that
  // is refused shows no notice about it. A refused file leaves the document as it was.
  Error Open(const std::string& path, const Messages& messages);

  // Converts with `profile` (the profile bar's selection; nullptr when it has none: nothing happens).
  Error Convert(const ProfileRecord* profile, const Messages& messages);
  Error UndoConversion(const Messages& messages);
  Error UndoEmbedding(const Messages& messages);
  Error Undo(const Messages& messages);  // Ctrl+Z: whichever undo applies
  Error Rotate(bool clockwise, const Messages& messages);

  // Saves to `path` (TIFF or JPEG by its extension), asking before it replaces a read-only file and,
  // at the first JPEG save and after every Save As, for the JPEG quality.
  Error SaveTo(const std::string& path, const Messages& messages);
  // The Save command (Save As for a read-only, new or vanished file) and Save As. `saveFolder` is
  // where the Save As chooser starts; it becomes the folder the user chose.
  Error Save(const Messages& messages, std::string& saveFolder);
  Error SaveAs(const Messages& messages, std::string& saveFolder);
  // The usual question before a modified document closes: Yes saves (true when the save
  // succeeded), No discards (true), Cancel keeps it open (false).
  bool SaveModified(const Messages& messages, std::string& saveFolder);

  // The quality of the next JPEG saves, chosen by the caller: no quality dialog is shown for them.
  void SetJpegQuality(int quality);
  // Gives the image `profile` to carry, as if its file had carried it (named `name`).
  void EmbedProfile(std::span<const uint8_t> profile, const std::string& name);

  // Enabling: Convert needs a selected profile of this system.
  static bool CanConvert(const ProfileRecord* profile);
  // Which undo the Image menu's undo entry and the toolbar's Undo button stand for.
  UndoKind undoKind() const;

  // The composed title at the zoom a view shows the image at, and the state part of it
  // (", converted with color profile 'x'").
  std::string Title(double zoom) const;
  std::string TitleSuffix() const;

  bool modified() const { return modified_; }
  void SetModified(bool modified);

  // Makes the display bitmap again (after a change of the monitor setting, for example). 0, or 3
  // when it cannot be had: the bitmap is then empty until a later step makes it.
  Error RebuildDisplay();

  const std::string& pathName() const { return pathName_; }
  const std::string& fileName() const { return fileName_; }
  const ImageBuffer& image() const { return image_; }
  const DisplayBitmap& displayBitmap() const { return displayBitmap_; }
  int jpegQuality() const { return jpegQuality_; }
  const ProfileRecord& embeddedProfile() const { return embeddedProfile_; }
  bool HasEmbeddedProfile() const { return embeddedProfile_.Size() > 0; }

 private:
  friend class ImageDocumentTestAccess;

  Error FillDisplay(DisplayBitmap& bitmap, const ImageBuffer& image, const ProfileRecord& embedded) const;
  // After a step that changed the image (and turned it, when `turnedClockwise` is given): the
  // display is made again (a failure is shown and returned; the step stands, with an empty
  // display), the document is modified, and the observer hears of it.
  Error AfterChange(const Messages& messages, std::optional<bool> turnedClockwise);
  int DefaultJpegQuality() const;

  ImageDocumentOptions options_;
  ImageDocumentSettings settings_;
  ImageDocumentObserver* observer_ = nullptr;
  ImageBuffer image_;
  DisplayBitmap displayBitmap_;
  ProfileRecord embeddedProfile_;
  std::string pathName_;
  std::string fileName_;
  int jpegQuality_ = -1;
  bool askJpegQuality_ = true;
  bool modified_ = false;
  // The JPEG as it was read, instead of image_, when keepCompressedJpeg asks for it.
  std::optional<CompressedJpeg> compressedJpeg_;
};

}  // namespace tintara
