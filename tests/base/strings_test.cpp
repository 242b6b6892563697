#include "base/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>

#include "support/run_command.h"

namespace tintara {
namespace {

const std::string kUndefined = "Undefined error.\n\nProgram exiting...";

TEST(StringsTest, EveryCodeHasOneTextByItsRule) {
  EXPECT_EQ(ErrorCodeText(0), "");
  // The codes with a text of their own show string 40000 + code.
  for (const int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 20, 23, 154, 155, 156, 501, 502}) {
    EXPECT_EQ(ErrorCodeText(code), StringOrEmpty(40000 + code)) << code;
    EXPECT_FALSE(ErrorCodeText(code).empty()) << code;
  }
  EXPECT_EQ(ErrorCodeText(1), "Unable to set key in registry.");
  EXPECT_EQ(ErrorCodeText(2), "Unable to locate 'Lumeno.dat' in the program folder.\n\nProgram exiting...");
  EXPECT_EQ(ErrorCodeText(3), "Out of memory.");
  EXPECT_EQ(ErrorCodeText(4), "The file 'Lumeno.dat' is corrupt.\n\nProgram exiting...");
  EXPECT_EQ(ErrorCodeText(13), "There was an error saving the color profile.");
  EXPECT_EQ(ErrorCodeText(155), "The size of the profile is inconsistent");
  EXPECT_EQ(ErrorCodeText(501), "Failed to open the image file.");
  EXPECT_EQ(ErrorCodeText(502), "This image type is not supported by Tintara.");
  // The engine's internal codes share one text with the code filled in.
  for (const int code : {101, 102, 103, 151, 152, 153}) {
    EXPECT_EQ(ErrorCodeText(code), "Internal error in algorithm code: " + std::to_string(code) + ".");
  }
  // Everything else, the area findings among it, is undefined.
  for (const int code : {-1, -5, 14, 15, 16, 17, 18, 19, 21, 22, 24, 100, 104, 150, 157, 500, 503, 40001}) {
    EXPECT_EQ(ErrorCodeText(code), kUndefined) << code;
  }
  // An error's detail goes on a line of its own after the code's text; success has no text.
  EXPECT_EQ(ErrorText(Error(501, "/photos/a.tif")), "Failed to open the image file.\n/photos/a.tif");
  EXPECT_EQ(ErrorText(Error(501)), "Failed to open the image file.");
  EXPECT_EQ(ErrorText(Error(0, "x")), "");
}

// A source file with its comments taken out; string and character literals are kept whole, so a
// "//" inside one is not taken for a comment.
std::string WithoutComments(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 2, "//") == 0) {
      i = std::min(text.find('\n', i), text.size());
    } else if (text.compare(i, 2, "/*") == 0) {
      const size_t close = text.find("*/", i + 2);
      i = close == std::string::npos ? text.size() : close + 2;
      out += ' ';
    } else if (text[i] == '"' || text[i] == '\'') {
      const size_t start = i++;
      while (i < text.size() && text[i] != text[start]) i += text[i] == '\\' ? 2 : 1;
      i = std::min(i + 1, text.size());
      out.append(text, start, i - start);
    } else {
      out += text[i++];
    }
  }
  return out;
}

// Every string number written in the code: a number missing from the table would show an empty
// box.
TEST(StringsTest, EveryNumberTheCodeUsesIsInTheTable) {
  std::set<int> used;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(std::string(TINTARA_SOURCE_DIR) + "/src")) {
    const std::string path = entry.path().string();
    if (!entry.is_regular_file() || entry.path().filename() == "strings.cpp") continue;
    if (!path.ends_with(".cpp") && !path.ends_with(".h")) continue;
    const std::string code = WithoutComments(test::ReadFileText(path));
    for (size_t i = 0; i < code.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(code[i]))) continue;
      const unsigned char before = i == 0 ? ' ' : static_cast<unsigned char>(code[i - 1]);
      const bool starts = !std::isalnum(before) && before != '_' && before != '.';
      size_t end = i;
      while (end < code.size() && std::isdigit(static_cast<unsigned char>(code[end]))) ++end;
      const int value = end - i == 5 ? std::stoi(code.substr(i, 5)) : 0;
      if (starts && ((value >= 33000 && value < 34000) || (value >= 40000 && value < 41000))) {
        used.insert(value);
        EXPECT_NE(StringText(value), nullptr) << value << " in " << path;
      }
      i = end;
    }
  }
  EXPECT_GT(used.size(), 15u);  // the scan did find the code's numbers
}

// Texts are UTF-8: a character outside ASCII spelt in another encoding would reach the screen as
// garbage.
TEST(StringsTest, EveryTextIsUtf8) {
  for (int id = 0; id < 100000; ++id) {
    const char* text = StringText(id);
    if (!text) continue;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
      const int length = *p < 0x80 ? 1 : (*p >> 5) == 6 ? 2 : (*p >> 4) == 14 ? 3 : (*p >> 3) == 30 ? 4 : 0;
      ASSERT_NE(length, 0) << id;
      for (int k = 1; k < length; ++k) ASSERT_EQ(p[k] >> 6, 2) << id;
      p += length;
    }
  }
}

}  // namespace
}  // namespace tintara
