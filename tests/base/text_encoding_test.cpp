#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace tintara {
namespace {

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

// The UTF-8 form of a code point below U+0800.
std::string TwoByteUtf8(int code) { return Byte(0xC0 | (code >> 6)) + Byte(0x80 | (code & 0x3F)); }

TEST(TextEncoding, AsciiAndTheUpperHalfOfIso88591RoundTrip) {
  std::string ascii;
  for (int b = 0; b < 0x80; ++b) ascii += Byte(b);
  EXPECT_EQ(Utf8ToLatin1(ascii), ascii);
  EXPECT_EQ(Latin1ToUtf8(ascii), ascii);

  EXPECT_EQ(Utf8ToLatin1("Caf\xC3\xA9 180\xC2\xB0"), "Caf\xE9 180\xB0");
  EXPECT_EQ(Latin1ToUtf8("Caf\xE9 180\xB0"), "Caf\xC3\xA9 180\xC2\xB0");
  for (int code = 0xA0; code <= 0xFF; ++code) {
    EXPECT_EQ(Utf8ToLatin1(TwoByteUtf8(code)), Byte(code)) << code;
    EXPECT_EQ(Latin1ToUtf8(Byte(code)), TwoByteUtf8(code)) << code;
  }
}

TEST(TextEncoding, WhatTheFieldCannotHoldBecomesOneQuestionMarkPerCharacter) {
  EXPECT_EQ(Utf8ToLatin1("\xCE\xA9"), "?");                         // Omega
  EXPECT_EQ(Utf8ToLatin1("5 \xE2\x82\xAC"), "5 ?");                 // the euro sign, three bytes
  EXPECT_EQ(Utf8ToLatin1("a\xF0\x9F\x93\xB7" "b"), "a?b");          // a four-byte character
  // The C1 controls are no printable characters of the field, either way.
  for (int code = 0x80; code <= 0x9F; ++code) {
    EXPECT_EQ(Utf8ToLatin1(TwoByteUtf8(code)), "?") << code;
    EXPECT_EQ(Latin1ToUtf8(Byte(code)), "?") << code;
  }
  // Every stored byte reads back as text that converts to the same byte, or to "?" for the C1 codes.
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(Byte(b))), b >= 0x80 && b < 0xA0 ? "?" : Byte(b)) << b;
  }
}

TEST(TextEncoding, EachByteOfMalformedUtf8BecomesOneQuestionMark) {
  EXPECT_EQ(Utf8ToLatin1("\x80"), "?");                      // a stray continuation byte
  EXPECT_EQ(Utf8ToLatin1("\xE2\x82" "A"), "??A");            // a sequence cut short by ASCII
  EXPECT_EQ(Utf8ToLatin1("ab\xE2\x82"), "ab??");             // ... or by the end of the text
  EXPECT_EQ(Utf8ToLatin1("\xC3\xC3\xA9"), "?\xE9");          // a cut lead, then a good character
  EXPECT_EQ(Utf8ToLatin1("\xC0\xAF"), "??");                 // overlong "/"
  EXPECT_EQ(Utf8ToLatin1("\xE0\x80\xAF"), "???");            // overlong, three bytes
  EXPECT_EQ(Utf8ToLatin1("\xED\xA0\x80"), "???");            // a surrogate
  EXPECT_EQ(Utf8ToLatin1("\xF4\x90\x80\x80"), "????");       // above U+10FFFF
  EXPECT_EQ(Utf8ToLatin1("\xF5\xFE\xFF"), "???");            // bytes that never occur in UTF-8
  // The limits of each range are still characters.
  EXPECT_EQ(Utf8ToLatin1("\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF\xF0\x90\x80\x80"), "????");
  EXPECT_EQ(Utf8ToLatin1("\xC2\xA0\xC3\xBF"), "\xA0\xFF");
}

}  // namespace
}  // namespace tintara
