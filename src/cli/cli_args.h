#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/settings.h"

namespace tintara::cli {

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitWarning = 1;  // done, with a result the user should look at
inline constexpr int kExitFailure = 2;  // a missing or corrupt file, or a failed operation
inline constexpr int kExitUsage = 64;   // bad arguments

// The arguments of one command: positionals in order, options by name. Options are declared up front
// so a misspelt option is a usage error instead of being taken as a file name.
class CommandArgs {
 public:
  // Splits `args`; `flags` take no value, `valued` take the next argument. Returns false and sets
  // `error` for an unknown option or an option missing its value.
  bool Parse(const std::vector<std::string>& args, const std::set<std::string>& flags,
             const std::set<std::string>& valued, std::string& error);

  const std::vector<std::string>& Positionals() const { return positionals_; }
  bool Has(const std::string& name) const { return options_.count(name) != 0; }
  std::optional<std::string> Value(const std::string& name) const;

 private:
  std::vector<std::string> positionals_;
  std::map<std::string, std::string> options_;
};

// Strict number parsing: the whole text must be the number.
std::optional<double> ParseFiniteDouble(const std::string& text);
std::optional<long long> ParseInteger(const std::string& text);

// A value entered for a stored setting, by "settings set" or by the option `what` that stands in for
// it (--gamma for "Gamma"): a whole number or a number of the setting's kind inside its range, or
// true or false for a flag (giving 1 or 0); a text setting takes any text (giving 0). Returns
// nullopt with `error` saying what `what` takes, the range included.
std::optional<double> ParseSettingValue(const SettingRule& rule, const std::string& what, const std::string& text,
                                        std::string& error);

// Lines of output. A name, description or path from a file or a user goes into a printed line only
// through EscapeControlCharacters (base/text_encoding.h), so it cannot end the line early or
// forge another one; WithPath does so for the path an error message names.
std::string WithPath(const std::string& message, const std::string& path);  // message + " (path)"

// JSON output. Every JSON the program prints is built as a QJsonObject and written by
// PrintJsonLine. Texts in memory are UTF-8 and stay so in the output; numbers are written in their
// shortest form that reads back as the same double.

// A UTF-8 text as a JSON string (a malformed byte becomes U+FFFD, so the output stays valid UTF-8).
QJsonValue JsonText(const std::string& text);
// A number, or null for one that is not finite: JSON has no NaN or infinity.
QJsonValue JsonDouble(double value);
QJsonArray JsonDoubles(const double* values, int count);
// Writes `object` to stdout as one compact line.
void PrintJsonLine(const QJsonObject& object);

}  // namespace tintara::cli
