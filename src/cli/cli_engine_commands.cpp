// Commands over the colour engine: fitting a profile to measured colours, and reading a profile back.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "app/strings.h"
#include "base/file_io.h"
#include "base/result_codes.h"
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
  std::vector<int> excluded;
};

// Reads {"R":[...],"G":[...],"B":[...],"excluded":[...]}: up to 30 integers 0..65535 per channel,
// missing entries 0; excluded areas 0..29.
bool ReadSampleFile(const std::string& path, SampleFile& out, std::string& error) {
  std::vector<uint8_t> bytes;
  if (ReadWholeFile(path, bytes) != ReadStatus::kOk) {
    error = "cannot read " + path;
    return false;
  }
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(
      QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), &parseError);
  if (doc.isNull() || !doc.isObject()) {
    error = path + ": not a JSON object (" + parseError.errorString().toStdString() + ")";
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
  const char* channels[3] = {"R", "G", "B"};
  for (int ch = 0; ch < 3; ++ch) {
    const QJsonValue v = root.value(channels[ch]);
    if (!v.isArray() || v.toArray().size() > kMaxAreas) {
      error = path + ": \"" + channels[ch] + "\" must be an array of at most 30 integers";
      return false;
    }
    const QJsonArray values = v.toArray();
    for (qsizetype i = 0; i < values.size(); ++i) {
      int value = 0;
      if (!integerIn(values[i], 0, 65535, value)) {
        error = path + ": \"" + channels[ch] + "\"[" + std::to_string(i) + "] is not an integer 0..65535";
        return false;
      }
      out.values[ch * kMaxAreas + i] = static_cast<uint16_t>(value);
    }
  }
  if (root.contains("excluded")) {
    const QJsonValue v = root.value("excluded");
    if (!v.isArray()) {
      error = path + ": \"excluded\" must be an array of area numbers";
      return false;
    }
    for (const QJsonValue& e : v.toArray()) {
      int area = 0;
      if (!integerIn(e, 0, kMaxAreas - 1, area)) {
        error = path + ": \"excluded\" holds an area number outside 0..29";
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

std::optional<double> NumberOption(const CommandArgs& a, const char* name, double fallback,
                                   std::string& error) {
  const auto text = a.Value(name);
  if (!text) return fallback;
  const auto v = ParseFiniteDouble(*text);
  if (!v) error = std::string(name) + " takes a number";
  return v;
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
  if (!a.Positionals().empty()) return Fail(kExitUsage, "unexpected argument " + a.Positionals()[0]);
  if (!a.Has("--samples") || !a.Has("--reference") || !a.Has("-o")) {
    return Fail(kExitUsage, "fit needs --samples FILE.json, --reference NAME|#INDEX and -o OUT.tnp");
  }
  // The stored settings give the defaults, as they do for every profile the desktop program makes.
  CliPresenter presenter;
  const CSettings& settings = Settings();
  FitParameters parameters{settings.PenaltyFactor(), settings.QualityControl(), settings.Gamma()};
  const auto penalty = NumberOption(a, "--penalty", parameters.penaltyFactor, error);
  const auto quality = NumberOption(a, "--quality-limit", parameters.qualityLimit, error);
  const auto gamma = NumberOption(a, "--gamma", parameters.gamma, error);
  if (!penalty || !quality || !gamma) return Fail(kExitUsage, error);
  parameters = {*penalty, *quality, *gamma};

  SampleFile samples;
  if (!ReadSampleFile(*a.Value("--samples"), samples, error)) return Fail(kExitFailure, error);

  ReferenceSetList sets;
  if (int status = LoadReferenceSets(global.referenceDataPath, sets)) return status;
  const int index = FindReferenceSet(sets, *a.Value("--reference"));
  if (index < 0) return Fail(kExitUsage, "no reference set " + *a.Value("--reference"));
  ReferenceSet reference = sets[index];

  int count = reference.EntryCount();
  if (auto text = a.Value("--count")) {
    const auto n = ParseInteger(*text);
    if (!n || *n < 0 || *n > kMaxAreas) return Fail(kExitUsage, "--count takes a number 0..30");
    count = static_cast<int>(*n);
  }
  // An excluded area is taken out of the fit the way a failed measurement is: by its weight.
  for (int area : samples.excluded) {
    if (area < reference.EntryCount()) reference.entries[area].W = 0;
  }

  EngineContext context;
  const int code = RunProfileEngine(context, samples.values, count, reference, parameters);
  std::string written;
  if (!context.profile.Empty()) {
    const std::string description = a.Value("--description").value_or(DefaultProfileDescription(reference.name));
    SetDescriptionInBytes(context.profile.bytes, context.profile.descriptionOffset, description);
    if (!WriteFileAtomically(*a.Value("-o"), context.profile.bytes)) {
      return Fail(kExitFailure, ErrorCodeText(kProfileSaveFailed) + " (" + *a.Value("-o") + ")");
    }
    written = *a.Value("-o");
  }

  if (a.Has("--json")) {
    QJsonObject result;
    result["code"] = code;
    result["objective"] = JsonDouble(context.objective);
    result["coefficients"] = JsonDoubles(context.coefficients.c.data(), kCoefficientCountExpected);
    result["colourants"] = ColourantsJson(context.colourants);
    result["matrix"] = JsonDoubles(context.matrixA, 9);
    result["profile"] = written.empty() ? QJsonValue(QJsonValue::Null) : JsonText(written);
    PrintJsonLine(result);
  } else if (!written.empty()) {
    std::printf("profile written to %s (objective %.6f)\n", written.c_str(), context.objective);
  }

  switch (code) {
    case kOk:
      return kExitOk;
    case kPoorQuality:
      std::fprintf(stderr, "tintara-cli: %s\n", StringOrEmpty(40711).c_str());
      return kExitWarning;
    case kTooFewAreas:
      return Fail(kExitFailure, StringOrEmpty(40712));
    default:
      return Fail(kExitFailure, ErrorCodeText(code));
  }
}

int CommandProfileInfo(const GlobalOptions&, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {"--json"}, {}, error)) return Fail(kExitUsage, error);
  if (a.Positionals().size() != 1) return Fail(kExitUsage, "profile-info needs one FILE.tnp");
  const std::string& path = a.Positionals()[0];

  std::vector<uint8_t> bytes;
  if (ReadWholeFile(path, bytes) != ReadStatus::kOk) {
    return Fail(kExitFailure, ErrorCodeText(kProfileLoadFailed) + " (" + path + ")");
  }
  EngineContext context;
  if (decode_icc_220(bytes.data(), bytes.size(), context) != kOk) {
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
  std::printf("description  %s\n", description.c_str());
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
