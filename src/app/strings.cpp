#include "app/strings.h"

#include <cstdio>
#include <unordered_map>

#include "app/result_codes.h"

namespace tintara {

namespace {

const std::unordered_map<int, const char*>& Table() {
  static const std::unordered_map<int, const char*> table = {
      {33029, "Tintara Warning"},
      {33030, "Tintara Error"},
      {33031, "Tintara Message"},
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
      {40711, "The quality of the Lumeno selection is too low to create a reliable color profile."},
      {40712, "There are too few valid color areas in the Lumeno selection to calculate a reliable color "
              "profile."},
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
      return StringOrEmpty(40000 + code);
    case kPoorQuality: case kTooFewAreas: case kForeignProfile: case 151: case 152: case 153: {
      char text[96];
      std::snprintf(text, sizeof(text), StringText(40100), code);
      return text;
    }
    default:
      return StringOrEmpty(40200);
  }
}

bool ErrorCodeEndsProgram(int code) {
  return code == kReferenceDataMissing || code == kReferenceDataCorrupt || code == kOutOfMemory;
}

}  // namespace tintara
