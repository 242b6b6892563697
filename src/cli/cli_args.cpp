#include "cli/cli_args.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QString>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/text_encoding.h"

namespace tintara::cli {

bool CommandArgs::Parse(const std::vector<std::string>& args, const std::set<std::string>& flags,
                        const std::set<std::string>& valued, std::string& error) {
  positionals_.clear();
  options_.clear();
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    // No option looks like a number, so "-1" is a value ("settings set ErrorPixels -1").
    if (optionsEnded || a.size() < 2 || a[0] != '-' || ParseFiniteDouble(a)) {
      positionals_.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (flags.count(a)) {
      options_[a] = "";
    } else if (valued.count(a)) {
      if (i + 1 >= args.size()) {
        error = "option " + EscapeControlCharacters(a) + " needs a value";
        return false;
      }
      options_[a] = args[++i];
    } else {
      error = "unknown option " + EscapeControlCharacters(a);
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

namespace {

std::string NumberText(double v) {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", v);
  return text;
}

std::string RangeText(const SettingRange& r) {
  if (r.aboveLow) return "above " + NumberText(r.low) + ", at most " + NumberText(r.high);
  if (r.high >= INT_MAX) return "of " + NumberText(r.low) + " or more";
  return NumberText(r.low) + ".." + NumberText(r.high);
}

}  // namespace

std::optional<double> ParseSettingValue(const SettingRule& rule, const std::string& what, const std::string& text,
                                        std::string& error) {
  std::optional<double> value;
  std::string takes;
  switch (rule.kind) {
    case SettingKind::kText:
      return 0.0;
    case SettingKind::kFlag:
      if (text == "true" || text == "false") return text == "true" ? 1.0 : 0.0;
      takes = "true or false";
      break;
    case SettingKind::kInteger:
      if (const auto n = ParseInteger(text)) value = static_cast<double>(*n);
      takes = "a whole number " + RangeText(rule.range);
      break;
    case SettingKind::kNumber:
      value = ParseFiniteDouble(text);
      takes = "a number " + RangeText(rule.range);
      break;
  }
  if (value && rule.range.Admits(*value)) return value;
  error = what + " takes " + takes + ", not \"" + EscapeControlCharacters(text) + "\"";
  return std::nullopt;
}

std::string WithPath(const std::string& message, const std::string& path) {
  return message + " (" + EscapeControlCharacters(path) + ")";
}

QJsonValue JsonText(const std::string& text) { return QJsonValue(QString::fromStdString(text)); }

QJsonValue JsonDouble(double value) {
  if (!std::isfinite(value)) return QJsonValue(QJsonValue::Null);
  return QJsonValue(value);
}

QJsonArray JsonDoubles(const double* values, int count) {
  QJsonArray array;
  for (int i = 0; i < count; ++i) array.append(JsonDouble(values[i]));
  return array;
}

void PrintJsonLine(const QJsonObject& object) {
  const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
  std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
  std::fputc('\n', stdout);
}

}  // namespace tintara::cli
