#include "cli/cli_args.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tintara::cli {

bool CommandArgs::Parse(const std::vector<std::string>& args, const std::set<std::string>& flags,
                        const std::set<std::string>& valued, std::string& error) {
  positionals_.clear();
  options_.clear();
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      positionals_.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (flags.count(a)) {
      options_[a] = "";
    } else if (valued.count(a)) {
      if (i + 1 >= args.size()) {
        error = "option " + a + " needs a value";
        return false;
      }
      options_[a] = args[++i];
    } else {
      error = "unknown option " + a;
      return false;
    }
  }
  return true;
}

std::optional<std::string> CommandArgs::Value(const std::string& name) const {
  const auto it = options_.find(name);
  if (it == options_.end()) return std::nullopt;
  return it->second;
}

std::optional<double> ParseFiniteDouble(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<long long> ParseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || errno == ERANGE) return std::nullopt;
  return v;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char ch : text) {
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        // Control characters and bytes beyond ASCII are escaped, so the output stays valid JSON
        // whatever a description holds (such bytes are taken as Latin-1).
        if (ch < 0x20 || ch >= 0x7f) {
          char escaped[8];
          std::snprintf(escaped, sizeof(escaped), "\\u%04x", ch);
          out += escaped;
        } else {
          out += static_cast<char>(ch);
        }
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char text[40];
  std::snprintf(text, sizeof(text), "%.17g", value);
  return text;
}

}  // namespace tintara::cli
