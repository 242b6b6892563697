#include "image/ui/tintara_doc.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>

#include "app/messages.h"
#include "app/settings.h"
#include "base/file_io.h"
#include "base/file_names.h"
#include "base/result_codes.h"
#include "image/image_conversion.h"
#include "image/image_file.h"
#include "image/image_input.h"
#include "image/ui/image_file_dialogs.h"
#include "image/ui/monitor_adjustment.h"
#include "image/ui/tintara_view.h"

namespace tintara {

namespace {

constexpr int kTextCannotOpenImage = 40501;
constexpr int kTextUnsupportedImageType = 40502;
constexpr int kOnceAfterOpening = 40706;
constexpr int kOncePaletteImage = 40708;

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

// Fills a display bitmap from the image: previewed through the embedded profile when that is one of
// this system (the screen then shows what converting with it would give), then adjusted for the
// monitor when the user wants that. A failed adjustment leaves the plain copy, without a message.
int FillDisplay(DisplayBitmap& bitmap, const ImageBuffer& image, const ProfileRecord& embedded) {
  const bool preview = embedded.Size() > 0 && embedded.TransformLoaded;
  const int code = FillDisplayBitmap(bitmap, image, preview ? &embedded.transform : nullptr);
  if (code != kOk) return code;
  if (Settings().ICMFlag()) AdjustForMonitor(bitmap);
  return kOk;
}

// The permissions of a read-only file the user agreed to replace: made writable for the write and
// given back when the save fails, so a refused or failed save leaves the file exactly as it was.
class ReadOnlyReplacement {
 public:
  explicit ReadOnlyReplacement(const std::string& path) : path_(path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path_, error);
    if (error) return;
    previous_ = status.permissions();
    std::filesystem::permissions(path_, std::filesystem::perms::owner_write, std::filesystem::perm_options::add, error);
  }
  ~ReadOnlyReplacement() {
    if (!previous_ || kept_) return;
    std::error_code error;
    std::filesystem::permissions(path_, *previous_, std::filesystem::perm_options::replace, error);
  }
  ReadOnlyReplacement(const ReadOnlyReplacement&) = delete;
  ReadOnlyReplacement& operator=(const ReadOnlyReplacement&) = delete;
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  std::optional<std::filesystem::perms> previous_;
  bool kept_ = false;
};

// A zoom in percent as "%0.1f" or "%0.0f" would write it in the C locale: the program's
// titles do not change their decimal sign with the user's language settings.
std::string PercentText(double percent, int decimals) {
  char buffer[64];
  const std::to_chars_result result =
      std::to_chars(buffer, buffer + sizeof buffer, percent, std::chars_format::fixed, decimals);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
}

std::string ProfileTitlePart(const std::string& name, const std::string& description) {
  std::string text = "'" + name + "'";
  if (!description.empty()) text += " (" + description + ")";
  return text;
}

}  // namespace

std::string ComposeDocumentTitle(const std::string& fileName, double zoom, int width, int height,
                                 const std::string& suffix) {
  const std::string percent = PercentText(zoom * 100.0, zoom < 0.05 ? 1 : 0);
  return fileName + " @ " + percent + "% (RGB, " + std::to_string(width) + " x " + std::to_string(height) + ")" +
         suffix;
}

CTintaraDoc::CTintaraDoc() = default;
CTintaraDoc::~CTintaraDoc() = default;

bool CTintaraDoc::OnOpenDocument(const std::string& path) {
  WaitCursor wait;
  // Only a regular file that can be read is looked at further: a FIFO would wait for ever.
  if (CheckImageFile(path) != kOk) {
    AppMessages().ShowWarning(kTextCannotOpenImage);
    return false;
  }
  const std::string name = FileNameOf(path);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || ImageFormatOf(name) == ImageFormat::kUnknown) {
    AppMessages().ShowWarning(kTextUnsupportedImageType);
    return false;
  }
  const std::string baseName = name.substr(0, dot);

  // Everything is read into locals first, so a refused file leaves the document as it was.
  ImageBuffer image;
  ImageReadInfo info;
  int code = ReadImageFile(path, image, &info);
  if (info.paletteNotice) AppMessages().ShowOnce(kOncePaletteImage, false);
  if (code != kOk) {
    AppMessages().ShowError(code);
    return false;
  }
  // The profile the file carries stays with the image: the title tells of it, the display previews
  // it, Save writes it back and Undo (Embedding) removes it.
  ProfileRecord embedded;
  if (!info.iccProfile.empty()) {
    SetProfileBytes(embedded, info.iccProfile.data(), static_cast<int64_t>(info.iccProfile.size()));
    SetProfileName(embedded, baseName);
  }
  code = image.KeepUnconverted();
  if (code != kOk) {
    AppMessages().ShowError(code);
    return false;
  }
  DisplayBitmap bitmap;
  if (FillDisplay(bitmap, image, embedded) != kOk) {
    AppMessages().ShowError(kImageTooLarge);
    return false;
  }

  image_ = std::move(image);
  displayBitmap_ = std::move(bitmap);
  embeddedProfile_ = std::move(embedded);
  pathName_ = path;
  fileName_ = name;
  fileHasFurtherImages_ = info.severalImages;
  modified_ = false;
  UpdateAllViews(CTintaraView::kHintFitAfterOpen);
  emit stateChanged();
  AppMessages().ShowOnce(kOnceAfterOpening, false);
  return true;
}

bool CTintaraDoc::OnFileSave() {
  // A file that is read-only, new or gone is saved under a name the user chooses.
  std::error_code error;
  const bool exists = !pathName_.empty() && std::filesystem::exists(pathName_, error) && !error;
  if (!exists || IsReadOnlyFile(pathName_)) return OnFileSaveAs();
  return OnSaveDocument(pathName_);
}

bool CTintaraDoc::OnFileSaveAs() {
  const std::optional<std::string> path = AskSaveImagePath(fileName_);
  if (!path) return false;
  // A new name may mean a new purpose: the quality is asked again at the next JPEG save.
  askJpegQuality_ = true;
  return OnSaveDocument(*path);
}

bool CTintaraDoc::OnSaveDocument(const std::string& path) {
  WaitCursor wait;
  const std::string name = FileNameOf(path);
  const ImageFormat format = ImageFormatOf(name);
  // The type is checked before the read-only question: a file the user agrees to replace is then
  // never touched for a save that cannot happen.
  if (name.find('.') == std::string::npos || format == ImageFormat::kUnknown) {
    AppMessages().ShowWarning(kTextUnsupportedImageType);
    return false;
  }
  // Only the first page of a file of several was read; writing it over the file would lose the rest.
  ImageReadInfo pages;
  pages.severalImages = fileHasFurtherImages_;
  int code = CheckKeepsEveryImage(pathName_, path, pages);
  if (code != kOk) {
    AppMessages().ShowError(code);
    return false;
  }

  std::optional<ReadOnlyReplacement> replacement;
  if (IsReadOnlyFile(path)) {
    if (!AppMessages().AskReplaceReadOnly()) return false;
    // The old file is not deleted first: the writer puts the new one in its place only once it is
    // complete, so a failed write still leaves the old one.
    replacement.emplace(path);
  }

  int quality = jpegQuality_ == -1 ? Settings().JPEGQuality() : jpegQuality_;
  if (format == ImageFormat::kJpeg && askJpegQuality_) {
    askJpegQuality_ = false;
    const std::optional<int> chosen = Presenter().AskJpegQuality(quality);
    if (!chosen) return false;
    jpegQuality_ = *chosen;
    quality = *chosen;
  }

  code = WriteImageFile(path, format, image_, std::span<const uint8_t>(embeddedProfile_.bytes), quality);
  if (code != kOk) {
    AppMessages().ShowError(code);
    return false;
  }
  if (replacement) replacement->Keep();
  modified_ = false;
  pathName_ = path;
  fileName_ = name;
  fileHasFurtherImages_ = false;
  emit stateChanged();
  return true;
}

void CTintaraDoc::OnConvert(const ProfileRecord* profile) {
  if (!profile || image_.empty()) return;
  WaitCursor wait;
  // A refused conversion (11 for a profile of another system) changes nothing, so the embedded
  // profile goes only once the conversion has succeeded: conversion and embedding exclude each other.
  const int code = ConvertWithProfile(image_, *profile);
  if (code != kOk) {
    AppMessages().ShowError(code);
    return;
  }
  embeddedProfile_ = ProfileRecord{};
  RebuildDisplayOrEnd();
  AfterChange();
}

void CTintaraDoc::OnUndoConversion() {
  if (!image_.converted()) return;
  WaitCursor wait;
  image_.RestoreUnconverted();
  RebuildDisplayOrEnd();
  AfterChange();
}

void CTintaraDoc::OnUndoEmbedding() {
  if (!HasEmbeddedProfile()) return;
  WaitCursor wait;
  embeddedProfile_ = ProfileRecord{};
  RebuildDisplayOrEnd();
  AfterChange();
}

void CTintaraDoc::OnUndo() {
  switch (Undo()) {
    case UndoKind::kConversion:
      OnUndoConversion();
      break;
    case UndoKind::kEmbedding:
      OnUndoEmbedding();
      break;
    case UndoKind::kNone:
      break;
  }
}

void CTintaraDoc::OnRotate(bool clockwise) {
  if (image_.empty()) return;
  WaitCursor wait;
  const int code = clockwise ? image_.RotateClockwise() : image_.RotateCounterClockwise();
  if (code != kOk) {
    AppMessages().ShowError(code);
    return;
  }
  RebuildDisplayOrEnd();
  // The card outline turns with the image (it reads the image's new size from the view); one
  // still being marked is dropped.
  if (CTintaraView* view = FirstView()) view->OnImageTurned(clockwise);
  AfterChange();
}

bool CTintaraDoc::CanConvert(const ProfileRecord* profile) { return profile && profile->TransformLoaded; }

CTintaraDoc::UndoKind CTintaraDoc::Undo() const {
  if (image_.converted()) return UndoKind::kConversion;
  if (HasEmbeddedProfile()) return UndoKind::kEmbedding;
  return UndoKind::kNone;
}

bool CTintaraDoc::SaveModified() {
  if (!modified_) return true;
  switch (Presenter().AskYesNoCancel("Tintara", "Save changes to " + fileName_ + "?")) {
    case YesNoCancel::kYes:
      return OnFileSave();
    case YesNoCancel::kNo:
      return true;
    case YesNoCancel::kCancel:
      break;
  }
  return false;
}

std::string CTintaraDoc::TitleSuffix() const {
  if (image_.converted()) {
    return ", converted with color profile " +
           ProfileTitlePart(image_.conversionProfileName(), image_.conversionProfileDescription());
  }
  if (HasEmbeddedProfile()) {
    const char* kind = embeddedProfile_.TransformLoaded ? ", with embedded color profile "
                                                        : ", with embedded incompatible color profile ";
    return kind + ProfileTitlePart(embeddedProfile_.name, embeddedProfile_.description);
  }
  return {};
}

std::string CTintaraDoc::Title() const {
  const double zoom = FirstView() ? FirstView()->zoom() : 1.0;
  return ComposeDocumentTitle(fileName_, zoom, image_.width(), image_.height(), TitleSuffix());
}

void CTintaraDoc::SetModifiedFlag(bool modified) {
  if (modified_ == modified) return;
  modified_ = modified;
  emit stateChanged();
}

int CTintaraDoc::RebuildDisplay() { return FillDisplay(displayBitmap_, image_, embeddedProfile_); }

int CTintaraDoc::RebuildDisplayOrEnd() {
  // Once the image is open, a display bitmap that cannot be had means memory is exhausted: code 3
  // ends the program after its message.
  const int code = RebuildDisplay();
  AppMessages().ShowError(code);
  return code;
}

void CTintaraDoc::AfterChange() {
  UpdateAllViews(0);
  modified_ = true;
  emit stateChanged();
}

void CTintaraDoc::AddView(CTintaraView* view) {
  views_.push_back(view);
  // The title shows the first view's zoom.
  connect(view, &CTintaraView::zoomChanged, this, &CTintaraDoc::stateChanged);
}

void CTintaraDoc::RemoveView(CTintaraView* view) {
  disconnect(view, nullptr, this, nullptr);
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void CTintaraDoc::UpdateAllViews(int hint) {
  for (CTintaraView* view : views_) view->OnUpdate(hint);
}

}  // namespace tintara
