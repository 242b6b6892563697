// Commands over the colour engine: fitting a profile to measured colours, and reading a profile back.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "base/strings.h"
#include "base/file_io.h"
#include "base/result_codes.h"
#include "base/text_encoding.h"
#include "card/card_settings.h"
#include "card/create_profile.h"
#include "cli/cli_args.h"
#include "cli/cli_commands.h"
#include "cli/cli_presenter.h"
#include "cli/cli_support.h"
#include "engine/icc_profile.h"
#include "engine/profile_engine.h"

namespace tintara::cli {

namespace {

struct SampleFile {
  uint16_t values[3 * kMaxAreas]{};
  int given[3] = {0, 0, 0};  // entries each channel's array holds; the fit needs one per area
  std::vector<int> excluded;
};

constexpr const char* kChannelNames[3] = {"R", "G", "B"};

// Reads {"R":[...],"G":[...],"B":[...],"excluded":[...]}: up to 30 integers 0..65535 per channel;
// excluded areas 0..29. Whether the arrays hold enough entries for the fit is the caller's check.
bool ReadSampleFile(const std::string& path, SampleFile& out, std::string& error) {
  const std::string file = EscapeControlCharacters(path);
  std::vector<uint8_t> bytes;
  if (ReadWholeFile(path, bytes).failed()) {
    error = "cannot read " + file;
    return false;
  }
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(
      QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), &parseError);
  if (doc.isNull()) {
    error = file + ": not JSON (" + parseError.errorString().toStdString() + " at byte " +
            std::to_string(parseError.offset) + ")";
    return false;
  }
  if (!doc.isObject()) {
    error = file + ": the samples must be a JSON object {\"R\":[...],\"G\":[...],\"B\":[...]}, not " +
            (doc.isArray() ? "an array" : "a single value");
    return false;
  }
  const QJsonObject root = doc.object();
  auto integerIn = [](const QJsonValue& v, double low, double high, int& result) {
    if (!v.isDouble()) return false;
    const double d = v.toDouble();
    if (!(d >= low && d <= high) || std::floor(d) != d) return false;
    result = static_cast<int>(d);
    return true;
  };
  for (int ch = 0; ch < 3; ++ch) {
    const QJsonValue v = root.value(kChannelNames[ch]);
    if (!v.isArray() || v.toArray().size() > kMaxAreas) {
      error = file + ": \"" + kChannelNames[ch] + "\" must be an array of at most 30 integers";
      return false;
    }
    const QJsonArray values = v.toArray();
    for (qsizetype i = 0; i < values.size(); ++i) {
      int value = 0;
      if (!integerIn(values[i], 0, 65535, value)) {
        error = file + ": \"" + kChannelNames[ch] + "\"[" + std::to_string(i) + "] is not an integer 0..65535";
        return false;
      }
      out.values[ch * kMaxAreas + i] = static_cast<uint16_t>(value);
    }
    out.given[ch] = static_cast<int>(values.size());
  }
  if (root.contains("excluded")) {
    const QJsonValue v = root.value("excluded");
    if (!v.isArray()) {
      error = file + ": \"excluded\" must be an array of area numbers";
      return false;
    }
    for (const QJsonValue& e : v.toArray()) {
      int area = 0;
      if (!integerIn(e, 0, kMaxAreas - 1, area)) {
        error = file + ": \"excluded\" holds an area number outside 0..29";
        return false;
      }
      out.excluded.push_back(area);
    }
  }
  return true;
}

QJsonArray ColourantsJson(const double (&colourants)[3][3]) {
  return {JsonDoubles(colourants[0], 3), JsonDoubles(colourants[1], 3), JsonDoubles(colourants[2], 3)};
}

QJsonArray CurvesJson(const double (&curves)[3][256]) {
  return {JsonDoubles(curves[0], 256), JsonDoubles(curves[1], 256), JsonDoubles(curves[2], 256)};
}

// An option that stands in for a stored setting takes what the setting takes; without it the stored
// value serves as it is.
std::optional<double> SettingOption(const CommandArgs& a, const char* name, const char* setting, double stored,
                                    std::string& error) {
  const auto text = a.Value(name);
  if (!text) return stored;
  return ParseSettingValue(*SettingRuleOf(setting), name, *text, error);
}

}  // namespace

int FindReferenceSet(const ReferenceSetList& sets, const std::string& key) {
  if (!key.empty() && key[0] == '#') {
    const auto index = ParseInteger(key.substr(1));
    if (!index || *index < 0 || *index >= static_cast<long long>(sets.size())) return -1;
    return static_cast<int>(*index);
  }
  for (size_t i = 0; i < sets.size(); ++i) {
    if (sets[i].name == key) return static_cast<int>(i);
  }
  return -1;
}

int CommandFit(const GlobalOptions& global, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {"--json"},
               {"--samples", "--reference", "--count", "--penalty", "--quality-limit", "--gamma",
                "--description", "-o"},
               error)) {
    return Fail(kExitUsage, error);
  }
  if (!a.Positionals().empty()) return Fail(kExitUsage, "unexpected argument " + EscapeControlCharacters(a.Positionals()[0]));
  if (!a.Has("--samples") || !a.Has("--reference") || !a.Has("-o")) {
    return Fail(kExitUsage, "fit needs --samples FILE.json, --reference NAME|#INDEX and -o OUT.tnp");
  }
  // The stored settings give the defaults, as they do for every profile the desktop program makes.
  CliPresenter presenter;
  FitParameters parameters = FitParametersOf(Settings());
  const auto penalty = SettingOption(a, "--penalty", "PenaltyFactor", parameters.penaltyFactor, error);
  const auto quality = SettingOption(a, "--quality-limit", "QualityControl", parameters.qualityLimit, error);
  const auto gamma = SettingOption(a, "--gamma", "Gamma", parameters.gamma, error);
  if (!penalty || !quality || !gamma) return Fail(kExitUsage, error);
  parameters = {*penalty, *quality, *gamma};

  if (int status = CheckOutputFile(*a.Value("-o"), {*a.Value("--samples"), global.referenceDataPath})) return status;
  SampleFile samples;
  if (!ReadSampleFile(*a.Value("--samples"), samples, error)) return Fail(kExitFailure, error);

  ReferenceSetList sets;
  if (int status = LoadReferenceSets(global.referenceDataPath, sets)) return status;
  const int index = FindReferenceSet(sets, *a.Value("--reference"));
  if (index < 0) return Fail(kExitUsage, "no reference set " + EscapeControlCharacters(*a.Value("--reference")));
  ReferenceSet reference = sets[index];

  // Colour area i is fitted to entry i, so the fit may use fewer areas than the set has but never
  // more: an area beyond the set would silently carry no weight.
  int count = reference.EntryCount();
  if (auto text = a.Value("--count")) {
    const auto n = ParseInteger(*text);
    if (!n || *n < 1 || *n > reference.EntryCount()) {
      return Fail(kExitUsage, "--count takes a number 1.." + std::to_string(reference.EntryCount()) + " for the " +
                                  std::to_string(reference.EntryCount()) + "-entry reference set \"" +
                                  EscapeControlCharacters(reference.name) + "\"");
    }
    count = static_cast<int>(*n);
  }
  // A missing measurement must not be fitted as black.
  for (int ch = 0; ch < 3; ++ch) {
    if (samples.given[ch] < count) {
      return Fail(kExitFailure, EscapeControlCharacters(*a.Value("--samples")) + ": \"" + kChannelNames[ch] +
                                    "\" holds " + std::to_string(samples.given[ch]) + " values, but the fit needs " +
                                    std::to_string(count) + ", one per colour area");
    }
  }
  // An excluded area is taken out of the fit the way a failed measurement is: by its weight.
  for (int area : samples.excluded) {
    if (area < reference.EntryCount()) reference.entries[area].W = 0;
  }

  EngineContext context;
  const Error fitted = RunProfileEngine(context, samples.values, count, reference, parameters);
  std::string written;
  if (!context.profile.Empty()) {
    const std::string description = a.Value("--description").value_or(DefaultProfileDescription(reference.name));
    SetDescriptionInBytes(context.profile.bytes, context.profile.descriptionOffset, description);
    if (WriteFileAtomically(*a.Value("-o"), context.profile.bytes).failed()) {
      return Fail(kExitFailure, WithPath(ErrorCodeText(kProfileSaveFailed), *a.Value("-o")));
    }
    written = *a.Value("-o");
  }

  if (a.Has("--json")) {
    QJsonObject result;
    result["code"] = fitted.code();
    result["objective"] = JsonDouble(context.objective);
    result["coefficients"] = JsonDoubles(context.coefficients.c.data(), kCoefficientCountExpected);
    result["colourants"] = ColourantsJson(context.colourants);
    result["matrix"] = JsonDoubles(context.matrixA, 9);
    result["profile"] = written.empty() ? QJsonValue(QJsonValue::Null) : JsonText(written);
    PrintJsonLine(result);
  } else if (!written.empty()) {
    std::printf("profile written to %s (objective %.6f)\n", EscapeControlCharacters(written).c_str(),
                context.objective);
  }

  switch (fitted.code()) {
    case kOk:
      return kExitOk;
    case kPoorQuality:
      std::fprintf(stderr, "tintara-cli: %s\n", StringOrEmpty(40711).c_str());
      return kExitWarning;
    case kTooFewAreas:
      return Fail(kExitFailure, StringOrEmpty(40712));
    default:
      return Fail(kExitFailure, CliErrorText(fitted));
  }
}

int CommandProfileInfo(const GlobalOptions&, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {"--json"}, {}, error)) return Fail(kExitUsage, error);
  if (a.Positionals().size() != 1) return Fail(kExitUsage, "profile-info needs one FILE.tnp");
  const std::string& path = a.Positionals()[0];

  std::vector<uint8_t> bytes;
  if (ReadWholeFile(path, bytes).failed()) {
    return Fail(kExitFailure, WithPath(ErrorCodeText(kProfileLoadFailed), path));
  }
  EngineContext context;
  if (decode_icc_220(bytes.data(), bytes.size(), context).failed()) {
    return Fail(kExitFailure, kTextForeignProfile);
  }
  const std::string description = DescriptionFromBytes(bytes, context.decodedDescriptionOffset);

  if (a.Has("--json")) {
    QJsonObject info;
    info["size"] = static_cast<qint64>(bytes.size());
    info["transform"] = true;
    info["description"] = JsonText(description);
    info["matrix"] = JsonDoubles(context.matrixA, 9);
    info["base_curves"] = CurvesJson(context.baseCurves);
    info["gamma_curves"] = CurvesJson(context.gammaCurves);
    info["colourants"] = ColourantsJson(context.colourants);
    PrintJsonLine(info);
    return kExitOk;
  }
  std::printf("size         %zu bytes\n", bytes.size());
  std::printf("description  %s\n", EscapeControlCharacters(description).c_str());
  std::printf("matrix       % .6f % .6f % .6f\n", context.matrixA[0], context.matrixA[1], context.matrixA[2]);
  std::printf("             % .6f % .6f % .6f\n", context.matrixA[3], context.matrixA[4], context.matrixA[5]);
  std::printf("             % .6f % .6f % .6f\n", context.matrixA[6], context.matrixA[7], context.matrixA[8]);
  const char* names[3] = {"red", "green", "blue"};
  for (int p = 0; p < 3; ++p) {
    std::printf("%-5s XYZ    %.6f %.6f %.6f\n", names[p], context.colourants[p][0], context.colourants[p][1],
                context.colourants[p][2]);
  }
  return kExitOk;
}

}  // namespace tintara::cli
