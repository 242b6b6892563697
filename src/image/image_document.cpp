#include "image/image_document.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "base/file_io.h"
#include "base/file_names.h"
#include "base/result_codes.h"
#include "image/image_conversion.h"
#include "image/image_file.h"
#include "image/image_file_choosers.h"
#include "image/image_input.h"
#include "image/jpeg_embed.h"

namespace tintara {

namespace {

constexpr int kTextCannotOpenImage = 40501;
constexpr int kTextUnsupportedImageType = 40502;
constexpr int kOnceAfterOpening = 40706;
constexpr int kOncePaletteImage = 40708;
constexpr int kFallbackJpegQuality = 90;

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

// A box about a file: the error with the file named on its second line.
Error ShowFileError(const Messages& messages, const Error& error, const std::string& path) {
  const Error named = ConcerningFile(error, path);
  messages.ShowError(named);
  return named;
}

}  // namespace

std::string ComposeDocumentTitle(const std::string& fileName, double zoom, int width, int height,
                                 const std::string& suffix) {
  const std::string percent = PercentText(zoom * 100.0, zoom < 0.05 ? 1 : 0);
  return fileName + " @ " + percent + "% (RGB, " + std::to_string(width) + " x " + std::to_string(height) + ")" +
         suffix;
}

ImageDocument::ImageDocument(ImageDocumentOptions options, ImageDocumentSettings settings)
    : options_(options), settings_(std::move(settings)) {}

Error ImageDocument::Open(const std::string& path, const Messages& messages) {
  // Only a regular file that can be read is looked at further: a FIFO would wait for ever.
  if (const Error refusal = CheckImageFile(path); refusal.failed()) {
    const Error named = ConcerningFile(refusal, path);
    messages.ShowWarning(kTextCannotOpenImage, named.detail());
    return named;
  }
  const std::string name = FileNameOf(path);
  const size_t dot = name.rfind('.');
  const ImageFormat format = ImageFormatOf(name);
  if (dot == std::string::npos || format == ImageFormat::kUnknown) {
    messages.ShowWarning(kTextUnsupportedImageType, path);
    return Error(kUnsupportedImageType, path);
  }
  const std::string baseName = name.substr(0, dot);

  // Everything is read into locals first, so a refused file leaves the document as it was.
  ImageBuffer image;
  ImageReadInfo info;
  std::optional<CompressedJpeg> compressed;
  if (options_.keepCompressedJpeg && format == ImageFormat::kJpeg) {
    compressed.emplace();
    if (const Error read = ReadCompressedJpeg(path, *compressed, &info.iccProfile); read.failed()) {
      return ShowFileError(messages, read, path);
    }
  } else if (const Error read = ReadImageFile(path, image, &info); read.failed()) {
    return ShowFileError(messages, read, path);
  }
  // The profile the file carries stays with the image: the title tells of it, the display previews
  // it, Save writes it back and Undo (Embedding) removes it.
  ProfileRecord embedded;
  if (!info.iccProfile.empty()) {
    SetProfileBytes(embedded, info.iccProfile.data(), static_cast<int64_t>(info.iccProfile.size()));
    SetProfileName(embedded, baseName);
  }
  if (options_.keepUnconverted && !compressed) {
    if (const Error kept = image.KeepUnconverted(); kept.failed()) return ShowFileError(messages, kept, path);
  }
  DisplayBitmap bitmap;
  if (options_.keepDisplay && !compressed && FillDisplay(bitmap, image, embedded).failed()) {
    return ShowFileError(messages, kImageTooLarge, path);
  }

  image_ = std::move(image);
  compressedJpeg_ = std::move(compressed);
  displayBitmap_ = std::move(bitmap);
  embeddedProfile_ = std::move(embedded);
  pathName_ = path;
  fileName_ = name;
  modified_ = false;
  if (observer_) {
    observer_->DocumentOpened();
    observer_->StateChanged();
  }
  // Only now: a file that is refused after all gets no notice about how it would have been read.
  if (info.paletteNotice) messages.ShowOnce(kOncePaletteImage, false);
  messages.ShowOnce(kOnceAfterOpening, false);
  return kOk;
}

Error ImageDocument::Convert(const ProfileRecord* profile, const Messages& messages) {
  if (!profile || image_.empty()) return kOk;
  // A refused conversion (11 for a profile of another system) changes nothing, so the embedded
  // profile goes only once the conversion has succeeded: conversion and embedding exclude each other.
  const Error converted =
      options_.keepUnconverted ? ConvertWithProfile(image_, *profile) : ConvertPixelsInPlace(image_, *profile);
  if (converted.failed()) {
    messages.ShowError(converted);
    return converted;
  }
  embeddedProfile_ = ProfileRecord{};
  return AfterChange(messages, std::nullopt);
}

Error ImageDocument::UndoConversion(const Messages& messages) {
  if (undoKind() != UndoKind::kConversion) return kOk;
  image_.RestoreUnconverted();
  return AfterChange(messages, std::nullopt);
}

Error ImageDocument::UndoEmbedding(const Messages& messages) {
  if (!HasEmbeddedProfile()) return kOk;
  embeddedProfile_ = ProfileRecord{};
  return AfterChange(messages, std::nullopt);
}

Error ImageDocument::Undo(const Messages& messages) {
  switch (undoKind()) {
    case UndoKind::kConversion:
      return UndoConversion(messages);
    case UndoKind::kEmbedding:
      return UndoEmbedding(messages);
    case UndoKind::kNone:
      break;
  }
  return kOk;
}

Error ImageDocument::Rotate(bool clockwise, const Messages& messages) {
  if (image_.empty()) return kOk;
  // A turn that cannot have its working block leaves the image exactly as it was.
  const Error turned = clockwise ? image_.RotateClockwise() : image_.RotateCounterClockwise();
  if (turned.failed()) {
    messages.ShowError(turned);
    return turned;
  }
  return AfterChange(messages, clockwise);
}

Error ImageDocument::SaveTo(const std::string& path, const Messages& messages) {
  const std::string name = FileNameOf(path);
  const ImageFormat format = ImageFormatOf(name);
  // The type is checked before the read-only question: a file the user agrees to replace is then
  // never touched for a save that cannot happen.
  if (name.find('.') == std::string::npos || format == ImageFormat::kUnknown) {
    messages.ShowWarning(kTextUnsupportedImageType, path);
    return Error(kUnsupportedImageType, path);
  }
  // Only the first image of a file of several is ever read; writing it over that file would lose
  // the rest. What counts is the file as it is now: another program may have replaced it.
  if (const Error guard = CheckFileKeepsEveryImage(pathName_, path); guard.failed()) {
    return ShowFileError(messages, guard, path);
  }

  std::optional<ReadOnlyReplacement> replacement;
  if (IsReadOnlyFile(path)) {
    if (!messages.AskReplaceReadOnly()) return kCancelledByUser;
    // The old file is not deleted first: the writer puts the new one in its place only once it is
    // complete, so a failed write still leaves the old one.
    replacement.emplace(path);
  }

  int quality = jpegQuality_ == -1 ? DefaultJpegQuality() : jpegQuality_;
  if (format == ImageFormat::kJpeg && askJpegQuality_) {
    askJpegQuality_ = false;
    const std::optional<int> chosen = messages.presenter().AskJpegQuality(quality);
    if (!chosen) return kCancelledByUser;
    jpegQuality_ = *chosen;
    quality = *chosen;
  }

  const Error written = compressedJpeg_ && format == ImageFormat::kJpeg
                            ? WriteCompressedJpeg(*compressedJpeg_, path, embeddedProfile_.bytes)
                            : WriteImageFile(path, format, image_, embeddedProfile_.bytes, quality);
  if (written.failed()) return ShowFileError(messages, written, path);
  if (replacement) replacement->Keep();
  modified_ = false;
  pathName_ = path;
  fileName_ = name;
  if (observer_) observer_->StateChanged();
  return kOk;
}

Error ImageDocument::Save(const Messages& messages, std::string& saveFolder) {
  // A file that is read-only, new or gone is saved under a name the user chooses.
  std::error_code error;
  const bool exists = !pathName_.empty() && std::filesystem::exists(pathName_, error) && !error;
  if (!exists || IsReadOnlyFile(pathName_)) return SaveAs(messages, saveFolder);
  return SaveTo(pathName_, messages);
}

Error ImageDocument::SaveAs(const Messages& messages, std::string& saveFolder) {
  const std::optional<std::string> path = AskSaveImagePath(messages.presenter(), fileName_, saveFolder);
  if (!path) return kCancelledByUser;
  // A new name may mean a new purpose: the quality is asked again at the next JPEG save.
  askJpegQuality_ = true;
  return SaveTo(*path, messages);
}

bool ImageDocument::SaveModified(const Messages& messages, std::string& saveFolder) {
  if (!modified_) return true;
  switch (messages.presenter().AskYesNoCancel("Tintara", "Save changes to " + fileName_ + "?")) {
    case YesNoCancel::kYes:
      return Save(messages, saveFolder).ok();
    case YesNoCancel::kNo:
      return true;
    case YesNoCancel::kCancel:
      break;
  }
  return false;
}

void ImageDocument::SetJpegQuality(int quality) {
  jpegQuality_ = quality;
  askJpegQuality_ = false;
}

void ImageDocument::EmbedProfile(std::span<const uint8_t> profile, const std::string& name) {
  ProfileRecord embedded;
  SetProfileBytes(embedded, profile.data(), static_cast<int64_t>(profile.size()));
  SetProfileName(embedded, name);
  embeddedProfile_ = std::move(embedded);
  modified_ = true;
  RebuildDisplay();
  if (observer_) observer_->StateChanged();
}

bool ImageDocument::CanConvert(const ProfileRecord* profile) { return profile && profile->TransformLoaded; }

ImageDocument::UndoKind ImageDocument::undoKind() const {
  // A conversion made in place, without the pixels as read, cannot be undone.
  if (image_.converted() && image_.unconvertedPixels()) return UndoKind::kConversion;
  if (HasEmbeddedProfile()) return UndoKind::kEmbedding;
  return UndoKind::kNone;
}

std::string ImageDocument::TitleSuffix() const {
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

std::string ImageDocument::Title(double zoom) const {
  return ComposeDocumentTitle(fileName_, zoom, image_.width(), image_.height(), TitleSuffix());
}

void ImageDocument::SetModified(bool modified) {
  if (modified_ == modified) return;
  modified_ = modified;
  if (observer_) observer_->StateChanged();
}

Error ImageDocument::RebuildDisplay() {
  if (!options_.keepDisplay || image_.empty()) return kOk;
  const Error made = FillDisplay(displayBitmap_, image_, embeddedProfile_);
  // A bitmap that could not be made is shown as none rather than as stale pixels.
  if (made.failed()) displayBitmap_.Release();
  if (observer_) observer_->PixelsChanged();
  return made;
}

int ImageDocument::DefaultJpegQuality() const {
  return settings_.defaultJpegQuality ? settings_.defaultJpegQuality() : kFallbackJpegQuality;
}

// Previewed through the embedded profile when that is one of this system (the screen then shows
// what converting with it would give), then adjusted for the monitor when the user wants that.
Error ImageDocument::FillDisplay(DisplayBitmap& bitmap, const ImageBuffer& image, const ProfileRecord& embedded) const {
  const bool preview = embedded.Size() > 0 && embedded.TransformLoaded;
  if (const Error filled = FillDisplayBitmap(bitmap, image, preview ? &embedded.transform : nullptr); filled.failed()) {
    return filled;
  }
  if (settings_.adjustForMonitor && settings_.monitorAdjustment && settings_.adjustForMonitor()) {
    settings_.monitorAdjustment(bitmap);
  }
  return kOk;
}

Error ImageDocument::AfterChange(const Messages& messages, std::optional<bool> turnedClockwise) {
  modified_ = true;
  // Memory for the screen copy may run out (code 3). The step itself stands and the document stays
  // whole; the failure is reported, the views show no image until a later step can make it, and
  // the program goes on.
  Error display;
  if (options_.keepDisplay && !image_.empty()) {
    display = FillDisplay(displayBitmap_, image_, embeddedProfile_);
    if (display.failed()) {
      displayBitmap_.Release();
      messages.ShowError(display);
    }
  }
  if (observer_) {
    if (turnedClockwise) observer_->ImageTurned(*turnedClockwise);
    observer_->PixelsChanged();
    observer_->StateChanged();
  }
  return display;
}

}  // namespace tintara
