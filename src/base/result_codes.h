#pragma once

// Result codes shared by every subsystem. An operation that can fail returns one of these as a
// signed 32-bit value, 0 for success; code n is shown to the user as string 40000 + n.
namespace tintara {

enum ResultCode : int {
  kOk = 0,
  kRegistryWriteFailed = 1,
  kReferenceDataMissing = 2,
  kOutOfMemory = 3,
  kReferenceDataCorrupt = 4,
  kProfileFolderInvalid = 5,
  kIllegalImageSize = 6,
  kImageTooLarge = 7,
  kImageCorrupt = 8,
  kUnsupportedColourDepth = 9,
  kImageWriteFailed = 10,
  kForeignProfileConvert = 11,
  kProfileLoadFailed = 12,
  kProfileSaveFailed = 13,
  kSelectionIncomplete = 14,
  kTooFewPixels = 15,
  kFewPixels = 16,
  kUnevenCorners = 17,
  kWhiteTooBright = 18,
  kBlackTooDark = 19,
  kCompressedTiff = 20,
  kWhiteTooDark = 21,
  kBlackTooBright = 22,
  kProfileNotCreated = 23,
  // Refusals of files and folders, each with its own text (string 40000 + code): the image
  // readers' refusals of a file before its contents are looked at, and, from 520 on, causes that
  // deserve a more precise text than the general codes above.
  kCannotOpenImage = 501,
  kUnsupportedImageType = 502,
  kFirstFileCode = 520,
  kDestinationFolderMissing = 520,
  kDestinationNotAFolder = 521,
  kDestinationFolderDenied = 522,
  kOutputNameTooLong = 523,
  kOutputNameUncheckable = 524,
  kImageFileIsFolder = 525,
  kOutputIsAnInput = 526,
  kOutputWriteProtected = 527,
  // A file of several full-resolution images (pages) would be replaced by its first image alone.
  kSeveralImagesInFile = 530,
  // A profile to be embedded is not an ICC profile at all (its header says otherwise).
  kNotAnIccProfile = 531,
  // JPEG cannot hold an image wider or taller than 65500 pixels.
  kTooLargeForJpeg = 532,
  // A profile of more than 255 APP2 chunks cannot be numbered in a JPEG file.
  kProfileTooLargeForJpeg = 533,
  // The chosen reference set has the entry count of the other card model.
  kReferenceNotForCard = 540,
  // The fit's penalty factor, quality limit or gamma is not a number it can work with.
  kFitParametersInvalid = 541,
  // The fit ended on a value that is not a finite number: no profile can be written from it.
  kFitNotFinite = 542,
  // The readable (CSV) form of the reference data cannot be read, or does not describe reference
  // sets the reference data file can hold; the detail says where and why.
  kReferenceSourceInvalid = 550,
  // A reference data file could not be written (or what would be written does not read back).
  kReferenceDataWriteFailed = 551,
  // The quality report's table could not be saved as a file.
  kQualityReportSaveFailed = 552,
  // What reading or writing any file can meet, whatever the file is for: callers that have a text of
  // their own for the failure tell these apart by code, the system's cause being the detail.
  kFileUnreadable = 560,
  kFileIsFolder = 561,
  // A FIFO, a device or a socket, which is never opened (it may wait, or do anything on opening).
  kNotAFile = 562,
  kFileTooLarge = 563,
  kFileWriteFailed = 564,
  // A new file's name was taken by another file while it was being written.
  kFileNameTaken = 565,
  kLastFileCode = 599,
  // The engine's internal algorithm codes.
  kPoorQuality = 101,
  kTooFewAreas = 102,
  kForeignProfile = 103,
  kTagTableInconsistent = 154,
  kProfileSizeInconsistent = 155,
  kCoefficientCount = 156,
};

}  // namespace tintara
