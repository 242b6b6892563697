#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

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

// JSON output helpers.
std::string JsonString(const std::string& text);
std::string JsonNumber(double value);  // 17 significant digits; null for a value that is not finite

}  // namespace tintara::cli
