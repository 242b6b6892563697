#pragma once

#include <string>

#include "base/error.h"

namespace tintara {

// Every text the user sees, addressed by its string number. Returns nullptr for a number that is
// not in the table.
const char* StringText(int id);

// StringText, or an empty text for a number that is not in the table.
std::string StringOrEmpty(int id);

// The one text of a result code, wherever it is shown (an error box, a batch status, the command
// line): string 40000 + code for the codes that have their own text, string 40100 with the code
// filled in for the engine's internal codes, string 40200 otherwise. Code 0 has no text.
std::string ErrorCodeText(int code);

// The text of an error as a box or a status shows it: the code's text, then its detail on a line of
// its own. Success has no text.
std::string ErrorText(const Error& error);

// Texts that the message table does not number.
inline constexpr char kTextForeignProfile[] = "This profile was not created with Tintara and cannot be used.";

}  // namespace tintara
