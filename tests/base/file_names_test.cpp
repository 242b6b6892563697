#include "base/file_names.h"

#include <gtest/gtest.h>

namespace tintara {
namespace {

TEST(FileNamesTest, FileNameIsTheTextAfterTheLastFolderSeparator) {
  EXPECT_EQ(FileNameOf("/home/ann/photo.tif"), "photo.tif");
#ifdef _WIN32
  EXPECT_EQ(FileNameOf("C:\\Images\\photo.tif"), "photo.tif");
  EXPECT_EQ(FileNameOf("C:\\Images/day\\photo.tif"), "photo.tif");
  EXPECT_EQ(FileNameOf("D:/in\\out/photo.tif"), "photo.tif");
#else
  // Here a backslash is a character of the name like any other.
  EXPECT_EQ(FileNameOf("src/a\\b.tif"), "a\\b.tif");
  EXPECT_EQ(FileNameOf("D:/in\\out/photo\\"), "photo\\");
  EXPECT_FALSE(IsFolderSeparator('\\'));
#endif
  EXPECT_TRUE(IsFolderSeparator('/'));
  EXPECT_EQ(FileNameOf("photo.tif"), "photo.tif");
  EXPECT_EQ(FileNameOf("/home/ann/"), "");
  EXPECT_EQ(FileNameOf(""), "");
  EXPECT_EQ(FileNameOf("/Bilder/Gr\xC3\xB6\xC3\x9F" "e.jpg"), "Gr\xC3\xB6\xC3\x9F" "e.jpg");
}

TEST(FileNamesTest, ExtensionsCompareInAnyCaseAtTheEndOnly) {
  for (const char* path : {"photo.tif", "PHOTO.TIF", "a.TiF", "C:\\x.y\\photo.Tif", ".tif",
                           "/Bilder/Gr\xC3\xB6\xC3\x9F" "e.TIF"}) {
    EXPECT_TRUE(HasExtension(path, ".tif")) << path;
  }
  // The text in the folder part, without the dot, part of a longer extension, or past the end.
  for (const char* path : {"photo.tif/readme", "C:\\photos.tif\\notes", "photo.tif ", "phototif", "photo.tiff",
                           "tif", "", "photo.t\xC3\xAF" "f"}) {
    EXPECT_FALSE(HasExtension(path, ".tif")) << path;
  }
  EXPECT_TRUE(HasExtension("photo.JPEG", ".jpeg"));
  EXPECT_FALSE(HasExtension("photo.jpeg", ".jpg"));
}

}  // namespace
}  // namespace tintara
