#include "base/text_encoding.h"

#include <cstdint>

namespace tintara {

namespace {

bool HoldsInField(uint32_t code) { return code < 0x80 || (code >= 0xA0 && code <= 0xFF); }

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 character at the start of `text` and its code, or 0 when the
// first byte does not begin one. The second byte's range for E0, ED, F0 and F4 is narrowed, which is
// what rules out overlong forms, surrogates and codes above U+10FFFF.
size_t DecodeCharacter(std::string_view text, uint32_t& code) {
  const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = at(0);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;  // a continuation byte, C0, C1 or F5..FF: never the start of a character
  }
  if (text.size() < length || at(1) < low || at(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!IsContinuation(at(i))) return 0;
  }
  code = lead & (0xFF >> (length + 1));
  for (size_t i = 1; i < length; ++i) code = (code << 6) | (at(i) & 0x3F);
  return length;
}

}  // namespace

std::string Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    uint32_t code = 0;
    const size_t length = DecodeCharacter(utf8, code);
    if (length == 0) {
      out += kReplacementCharacter;  // this byte alone; the next may begin a good character
      utf8.remove_prefix(1);
      continue;
    }
    out += HoldsInField(code) ? static_cast<char>(code) : kReplacementCharacter;
    utf8.remove_prefix(length);
  }
  return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size() * 2);
  for (char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else if (byte < 0xA0) {
      out += kReplacementCharacter;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

std::string EscapeControlCharacters(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  auto hex = [&out](unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
  };
  while (!text.empty()) {
    uint32_t code = 0;
    const size_t length = DecodeCharacter(text, code);
    const bool named = code == '\n' || code == '\t' || code == '\r';
    const bool control = code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F);
    if (length == 0 || (control && !named)) {
      // A malformed byte alone; a control character byte by byte.
      const size_t bytes = length == 0 ? 1 : length;
      for (size_t i = 0; i < bytes; ++i) hex(static_cast<unsigned char>(text[i]));
      text.remove_prefix(bytes);
      continue;
    }
    switch (code) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace tintara
