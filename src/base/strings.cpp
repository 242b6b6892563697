#include "base/strings.h"

#include <cstdio>
#include <unordered_map>

#include "base/result_codes.h"

namespace tintara {

namespace {

// Texts are UTF-8; the few characters outside ASCII are spelt as bytes so the table reads the same
// whatever character set the compiler assumes for the source.
const std::unordered_map<int, const char*>& Table() {
  static const std::unordered_map<int, const char*> table = {
      // Prompts of the menu commands and toolbar buttons: the status text, then the tool tip.
      {33000, "Undo the conversion of the image\nUndo Conversion"},
      {33001, "Convert a batch of images with color profiles\nBatch"},
      {33002, "Visit the Lumeno home page\nLumeno Online"},
      {33003, "Change the settings of Tintara\nPreferences"},
      {33004, "Create color profile\nCreate Profile"},
      {33006, "Convert the image with the selected color profile\nConvert Image"},
      {33007, "Rotate the image 90\xC2\xB0 clockwise\nRotate 90\xC2\xB0 CW"},
      {33008, "Rotate the image 90\xC2\xB0 counter-clockwise\nRotate 90\xC2\xB0 CCW"},
      {33009, "180\xC2\xB0 Lumeno selection\n180\xC2\xB0 Selection"},
      {33011, "Show the image at its real size\nReal Size"},
      {33012, "Fit the whole image in its window\nFit on Screen"},
      {33013, "Enlarge the view of the image\nZoom In"},
      {33014, "Reduce the view of the image\nZoom Out"},
      {33015, "Enter the zoom factor\nEnter Zoom"},
      {33016, "Add Lumeno profile\nAdd Profile"},
      {33017, "Remove Lumeno profile\nRemove Profile"},
      {33018, "Save Lumeno profile\nSave Profile"},
      {33019, "Remove the color profile embedded in the image\nUndo Embedding"},
      {33020, "Show or hide the profile bar\nToggle Profile Bar"},
      {33022, "Mark Lumeno K7\nMark Lumeno K7"},
      {33023, "Mark Lumeno K3\nMark Lumeno K3"},
      {33024, "Zoom in image\nZoom in (Z)"},
      {33025, "Zoom out image\nZoom out (X)"},
      {33026, "Move image\nMove (V)"},
      {33027, "Browse for profile folder"},
      {33028, "Lumeno profile with '%s' reference."},
      {33029, "Tintara Warning"},
      {33030, "Tintara Error"},
      {33031, "Tintara Message"},
      {33038, "Browse for output folder"},
      {33040, "Select file(s) to add to batch job"},
      {33041, "Remove Lumeno selection\nRemove Selection"},
      {33042, "Mark Lumeno\nMark Lumeno (M)"},
      {33043, "Place the outline of the last marked card\nUse Previous Outline"},
      {33044, "Show the quality of the last profile created\nQuality Report"},
      {57601, "Open an existing image\nOpen"},
      {57602, "Close the active image\nClose"},
      {57603, "Save the active image\nSave"},
      {57604, "Save the active image with a new name\nSave As"},
      {57616, "Open this image\nOpen"},
      {57649, "Arrange icons at the bottom of the window\nArrange Icons"},
      {57650, "Arrange the windows so they overlap\nCascade Windows"},
      {57651, "Arrange the windows as tiles that do not overlap\nTile Windows"},
      {57664, "Display program information and version\nAbout"},
      {57665, "Quit Tintara; prompts to save images and profiles\nExit"},
      {57680, "Switch to the next image window\nNext Window"},
      {57681, "Switch to the previous image window\nPrevious Window"},
      {57667, "Open the Tintara help document\nHelp Topics"},
      {59392, "Show or hide the toolbar\nToggle Toolbar"},
      {59393, "Show or hide the status bar\nToggle Status Bar"},
      {40001, "Unable to set key in registry."},
      {40002, "Unable to locate 'Lumeno.dat' in the program folder.\n\nProgram exiting..."},
      {40003, "Out of memory."},
      {40004, "The file 'Lumeno.dat' is corrupt.\n\nProgram exiting..."},
      {40005, "The path to the color profile folder is not valid."},
      {40006, "Illegal image size parameters.\n(Image width or height is zero.)"},
      {40007, "Out of memory.\n\nThis image is to large."},
      {40008, "This image file is corrupt."},
      {40009, "This image has a colordepth that is not supported by this application."},
      {40010, "There were errors while writing the image to storage."},
      {40011, "Can not convert image with a color profile not created in Tintara."},
      {40012, "There were errors loading the color profile."},
      {40013, "There was an error saving the color profile."},
      {40020, "This application can not read compressed TIFF images."},
      {40023, "The profile could not be created.\n\nUnexpected problems occured when creating profile. "},
      {40100, "Internal error in algorithm code: %d."},
      {40154, "The size of the tag table is inconsistent."},
      {40155, "The size of the profile is inconsistent"},
      {40156, "The number of coefficients is inconsistent."},
      {40200, "Undefined error.\n\nProgram exiting..."},
      {40501, "Failed to open the image file."},
      {40502, "This image type is not supported by Tintara."},
      {40505, "You must select a reference from the list."},
      {40520, "The destination folder does not exist."},
      {40521, "The destination is not a folder."},
      {40522, "Access to the destination folder is denied."},
      {40523, "The name of the output file is too long."},
      {40524, "It cannot be checked whether the output file already exists."},
      {40525, "The image file is a folder."},
      {40526, "The output file is one of the input files."},
      {40527, "Write protected file"},
      {40530,
       "The image file holds several images; replacing it with the result would lose all but the first."},
      {40531, "The file is not an ICC color profile."},
      {40532, "The image is too large for a JPEG file, which can be at most 65500 pixels wide and high."},
      {40533, "The color profile is too large to be embedded in a JPEG file."},
      {40540, "The chosen reference does not belong to the marked Lumeno: a Lumeno K7 needs a reference "
              "of 30 colors, a Lumeno K3 one of 3. Choose a reference for this Lumeno from the list."},
      {40541, "The color profile cannot be calculated with the stored settings: \"PenaltyFactor\" must be "
              "a number of 0 or more, \"QualityControl\" a number and \"Gamma\" a number above 0."},
      {40542, "The color profile cannot be calculated: the fit gave no finite result."},
      {40550, "The reference data source cannot be read as reference sets."},
      {40551, "The reference data file could not be written."},
      {40552, "The quality report could not be saved."},
      {40560, "The file cannot be read."},
      {40561, "The file is a folder."},
      {40562, "The path names a device, a pipe or a socket, not a file."},
      {40563, "The file is too large."},
      {40564, "The file could not be written."},
      {40565, "Another file has taken the name of the file being written."},
      {40511,
       "The file already exists, and is marked as read-only.\n"
       "Are you sure you want to replace it?"},
      {40700,
       "You have marked a Lumeno. If necessary, adjust the outline by moving the corners. "
       "If the outline appears inverted, use the 180\xC2\xB0 Selection tool. If the selection "
       "indicates a different Lumeno type, change to the appropriate type using the drop-down "
       "menu of the Mark tool.\n\n"
       "Choose a reference using the drop-down menu and go to the Image menu and pick Create "
       "Profile to create a new profile."},
      {40701,
       "The resolution of the image is too low to make an accurate sampling.\n\n"
       "One or more color areas in the current selection is invalid. Invalid color areas are "
       "indicated by a red cross. Unreliable color areas are indicated by a yellow cross."},
      {40702,
       "The resolution of the image is too low to make an accurate sampling.\n\n"
       "One or more color areas in the current selection is unreliable. Unreliable color areas "
       "are indicated by a yellow cross."},
      {40703,
       "The selected card is unevenly exposed.\n\n"
       "One or more of the corner color areas in the current selection is invalid. Invalid "
       "color areas are indicated by a red cross."},
      {40704,
       "The selected card is over exposed.\n\n"
       "The white color area is too bright and is indicated by a yellow cross."},
      {40705,
       "The selected card is under exposed.\n\n"
       "The black color area is too dark and is indicated by a yellow cross."},
      {40706,
       "When opening an image containing a Lumeno, first use the Zoom tools until the Lumeno is "
       "fully visible.\n\n"
       "Proceed by choosing the Mark tool and the appropriate Lumeno type. Create an outline by "
       "clicking three corners of the Lumeno. Adjust the outline by moving the corners."},
      {40707, "The profile will be created using the original image data."},
      {40708,
       "This image is palettized (indexed color table), and will be converted to true color RGB "
       "(24 bits)."},
      {40709,
       "The black color in the selection card is too bright.\n\n"
       "The black color area is indicated by a red cross."},
      {40710,
       "The white color in the selected card is too dark.\n\n"
       "The white color area is indicated by a red cross."},
      {40711, "The quality of the Lumeno selection is too low to create a reliable color profile."},
      {40712, "There are too few valid color areas in the Lumeno selection to calculate a reliable color "
              "profile."},
      {40800, "The color profile was successfully created."},
      {40801, "The color profile was created with warnings."},
      {40802, "The color profile was not created."},
  };
  return table;
}

}  // namespace

const char* StringText(int id) {
  const auto& table = Table();
  const auto it = table.find(id);
  return it == table.end() ? nullptr : it->second;
}

std::string StringOrEmpty(int id) {
  const char* text = StringText(id);
  return text ? std::string(text) : std::string();
}

std::string ErrorCodeText(int code) {
  switch (code) {
    case kOk:
      return {};
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 10:
    case 11: case 12: case 13: case 20: case 23: case 154: case 155: case 156:
    case kCannotOpenImage: case kUnsupportedImageType:
      return StringOrEmpty(40000 + code);
    case kPoorQuality: case kTooFewAreas: case kForeignProfile: case 151: case 152: case 153: {
      char text[96];
      std::snprintf(text, sizeof(text), StringText(40100), code);
      return text;
    }
    default:
      // A refusal of a file has its own text where the table has one.
      if (code >= kFirstFileCode && code <= kLastFileCode && StringText(40000 + code) != nullptr) {
        return StringOrEmpty(40000 + code);
      }
      return StringOrEmpty(40200);
  }
}

std::string ErrorText(const Error& error) {
  if (error.ok()) return {};
  std::string text = ErrorCodeText(error.code());
  if (!error.detail().empty()) text += "\n" + error.detail();
  return text;
}

}  // namespace tintara
