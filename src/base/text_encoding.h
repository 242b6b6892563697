#pragma once

#include <string>
#include <string_view>

namespace tintara {

// Text lives in memory as UTF-8. A few stored fields (the profile's description) hold ISO 8859-1
// bytes, one byte per character; these two functions are the only way between the two forms.
//
// The field's characters are ASCII (U+0000..U+007F, passed through byte for byte, so ASCII text
// reads and writes exactly as it always did) and the printable upper half U+00A0..U+00FF. The
// codes 0x80..0x9F are no printable characters of ISO 8859-1 (in its common register they are the
// C1 controls); they are treated as characters the field cannot hold, in both directions, so no
// control code beyond ASCII ever reaches a display, a terminal or a stored file.
//
// Every character of the input gives exactly one byte (or, going back, one character), so a text
// cut to n bytes of its ISO 8859-1 form is cut to its first n characters, never inside one.

// The ISO 8859-1 form of a UTF-8 text. A character the field cannot hold (beyond U+00FF, or
// U+0080..U+009F) becomes one "?". Malformed UTF-8 (a stray continuation byte, a sequence cut
// short, an overlong form, a surrogate, a code above U+10FFFF) becomes one "?" per byte that does
// not begin a well-formed character, and decoding goes on at the next byte.
std::string Utf8ToLatin1(std::string_view utf8);

// The UTF-8 form of ISO 8859-1 bytes: ASCII as it is, 0xA0..0xFF as two bytes each, and each of
// 0x80..0x9F as "?". The result is always valid UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);

// The character every unrepresentable or malformed input becomes.
inline constexpr char kReplacementCharacter = '?';

// A text from a file or a user in a form that stays on one line of output and cannot move the
// cursor or switch a terminal's mode: a backslash is doubled; line feed, tab and carriage return
// become \n, \t and \r; every other control character (C0, DEL, and the two-byte C1 codes) and
// every byte that does not begin a well-formed UTF-8 character becomes \xHH, one per byte, with
// two upper-case hex digits. All other UTF-8 stays as it is, so the form reads back one-to-one.
std::string EscapeControlCharacters(std::string_view text);

}  // namespace tintara
