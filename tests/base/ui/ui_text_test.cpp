#include "base/ui/ui_text.h"

#include <gtest/gtest.h>

namespace tintara::ui {
namespace {

TEST(UiText, CarriesEveryCharacterAcrossBothWays) {
  const std::string utf8 = "Caf\xC3\xA9 180\xC2\xB0 \xCE\xA9 \xF0\x9F\x93\xB7";  // an accent, a degree, Omega, a camera
  const QString text = ToQString(utf8);
  EXPECT_EQ(text, QString::fromUtf8("Café 180° Ω 📷"));
  EXPECT_EQ(text.size(), 14);  // the camera takes two UTF-16 units
  EXPECT_EQ(ToUtf8(text), utf8);
  // A zero byte inside the text is kept, not taken for its end.
  const std::string withZero("a\0b", 3);
  EXPECT_EQ(ToUtf8(ToQString(withZero)), withZero);
}

}  // namespace
}  // namespace tintara::ui
