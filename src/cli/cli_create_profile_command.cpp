// create-profile: the Create Profile command on a photograph, with the card marked by three clicks.
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "app/messages.h"
#include "app/settings.h"
#include "base/file_io.h"
#include "base/result_codes.h"
#include "base/strings.h"
#include "base/text_encoding.h"
#include "card/card_model.h"
#include "card/card_settings.h"
#include "card/create_profile.h"
#include "card/quality_report.h"
#include "cli/cli_args.h"
#include "cli/cli_commands.h"
#include "cli/cli_presenter.h"
#include "cli/cli_support.h"
#include "image/image_file.h"
#include "profiles/profile_file.h"

namespace tintara::cli {

namespace {

class CommandLineHost : public CardSelectionHost {
 public:
  CommandLineHost(int width, int height, CardModel model) : width_(width), height_(height), model_(model) {}
  int ImageWidth() const override { return width_; }
  int ImageHeight() const override { return height_; }
  CardModel MarkingCardModel() const override { return model_; }

 private:
  int width_, height_;
  CardModel model_;
};

QJsonArray PointJson(const PointD& p) { return {JsonDouble(p.x), JsonDouble(p.y)}; }

QJsonArray QuadJson(const std::array<PointD, 4>& q) {
  return {PointJson(q[0]), PointJson(q[1]), PointJson(q[2]), PointJson(q[3])};
}

QJsonArray BytesJson(const std::array<uint8_t, 3>& v) { return {int(v[0]), int(v[1]), int(v[2])}; }

// The measurement of an area, with the report's figures for it when a profile was made.
QJsonObject AreaJson(const ColorArea& area, const AreaQuality* quality) {
  QJsonObject json;
  json["index"] = area.index;
  json["corners"] = QuadJson(area.corners);
  json["pixels"] = static_cast<qint64>(area.pixelCount);
  json["mean"] = BytesJson(area.mean);
  json["valid"] = area.Valid;
  json["unreliable"] = area.Unreliable;
  if (quality) {
    json["reference"] = BytesJson(quality->reference);
    json["corrected"] = BytesJson(quality->corrected);
    json["corrected_matched"] = BytesJson(quality->correctedMatched);
    json["de_before"] = JsonDouble(quality->deBefore);
    json["de_after"] = JsonDouble(quality->deAfter);
    json["de_matched"] = JsonDouble(quality->deMatched);
  }
  return json;
}

QJsonObject QualityJson(const QualityReportData& data) {
  const ProfileQualityReport& report = data.quality;
  QJsonObject json;
  json["mean_before"] = JsonDouble(report.meanBefore);
  json["max_before"] = JsonDouble(report.maxBefore);
  json["mean_after"] = JsonDouble(report.meanAfter);
  json["max_after"] = JsonDouble(report.maxAfter);
  json["mean_matched"] = JsonDouble(report.meanMatched);
  json["max_matched"] = JsonDouble(report.maxMatched);
  QJsonArray worst;
  for (int index : report.worst) worst.append(index);
  json["worst"] = worst;
  return json;
}

QJsonObject ExposureJson(const FitExposure& exposure) {
  QJsonObject json;
  json["offset"] = JsonDouble(exposure.offset);
  json["gain"] = JsonDouble(exposure.gain);
  return json;
}

void PrintReport(const QualityReportData& data) {
  const ProfileQualityReport& report = data.quality;
  const FitExposure& e = report.exposure;
  std::printf("exposure: before fitting the colours, the card was brought to its reference's brightness and contrast\n"
              "  (gain %.3f, offset %+.1f levels of 255); the profile corrects colour only and does not carry this\n",
              e.gain, 255.0 * e.offset);
  std::printf("dE2000 to the reference: before = as measured; after = through the profile, as converting this\n"
              "  photograph gives it; after, exposure matched = with the exposure above, then through the profile\n");
  std::fputs(QualityReportTextTable(data).c_str(), stdout);
  std::printf("mean dE2000 %.2f before, %.2f after, %.2f after with the exposure matched\n", report.meanBefore,
              report.meanAfter, report.meanMatched);
  std::printf("largest     %.2f before, %.2f after, %.2f after with the exposure matched\n", report.maxBefore,
              report.maxAfter, report.maxMatched);
  std::string worst;
  // Numbered as the table's first column numbers them, from 1.
  for (int index : report.worst) worst += (worst.empty() ? "" : ", ") + std::to_string(index + 1);
  std::printf("largest differences after: areas %s\n", worst.c_str());
}

// The six numbers of --corners, or fewer when the text is not six finite numbers.
std::vector<double> ParseClicks(const std::string& text) {
  std::vector<double> clicks;
  std::stringstream list(text);
  for (std::string item; std::getline(list, item, ',');) {
    const auto v = ParseFiniteDouble(item);
    if (!v) return {};
    clicks.push_back(*v);
  }
  return clicks;
}

// The whole run as one line of JSON: the outline, every area, the findings, the fit and, when a
// profile was made, its quality.
void PrintJsonReport(const CardSelection& selection, const CreateProfileOutcome& outcome, const EngineContext& engine,
                     const ProfileRecord* record, const QualityReportData& report, const std::string& imagePath,
                     const std::string& written) {
  const CardLayout& layout = *selection.Layout();
  QJsonArray areas;
  for (size_t i = 0; i < layout.areas.size(); ++i) {
    const bool measured = record && i < report.quality.areas.size();
    areas.append(AreaJson(layout.areas[i], measured ? &report.quality.areas[i] : nullptr));
  }
  QJsonArray codes;
  for (const Error* finding : outcome.findings.InOrder()) codes.append(finding->code());
  QJsonObject json;
  json["corners"] = QuadJson(selection.Corners());
  json["orientation"] = layout.ComputeOrientation();
  json["turned"] = layout.Turned;
  json["areas"] = areas;
  json["codes"] = codes;
  json["objective"] = JsonDouble(engine.objective);
  json["coefficients"] = JsonDoubles(engine.coefficients.c.data(), kCoefficientCountExpected);
  json["exposure"] = record ? QJsonValue(ExposureJson(engine.exposure)) : QJsonValue(QJsonValue::Null);
  json["name"] = JsonText(record ? record->name : ProfileNameFromDocument(imagePath));
  json["description"] = JsonText(record ? record->description : "");
  json["profile"] = written.empty() ? QJsonValue(QJsonValue::Null) : JsonText(written);
  json["quality"] = record ? QJsonValue(QualityJson(report)) : QJsonValue(QJsonValue::Null);
  PrintJsonLine(json);
}

}  // namespace

int CommandCreateProfile(const GlobalOptions& global, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {"--turned", "--strict", "--json"},
               {"--corners", "--reference", "--card", "--description", "--csv", "-o"}, error)) {
    return Fail(kExitUsage, error);
  }
  if (a.Positionals().size() != 1 || !a.Has("--corners") || !a.Has("--reference") || !a.Has("-o")) {
    return Fail(kExitUsage, "create-profile needs IMAGE --corners X0,Y0,X1,Y1,X2,Y2 --reference NAME|#INDEX -o OUT.tnp");
  }
  const std::string imagePath = a.Positionals()[0];
  const std::string output = *a.Value("-o");
  const std::string cardText = a.Value("--card").value_or("K7");
  if (cardText != "K7" && cardText != "K3") return Fail(kExitUsage, "--card takes K7 or K3");
  const CardModel model = cardText == "K7" ? CardModel::K7 : CardModel::K3;

  const std::vector<double> clicks = ParseClicks(*a.Value("--corners"));
  if (clicks.size() != 6) return Fail(kExitUsage, "--corners takes six numbers X0,Y0,X1,Y1,X2,Y2");

  if (int status = CheckOutputFile(output, {imagePath, global.referenceDataPath})) return status;
  const std::optional<std::string> csv = a.Value("--csv");
  if (csv) {
    if (int status = CheckOutputFile(*csv, {imagePath, global.referenceDataPath})) return status;
    const auto same = [](const std::string& path) { return std::filesystem::absolute(path).lexically_normal(); };
    if (IsSameFile(*csv, output) || same(*csv) == same(output)) {
      return Fail(kExitUsage, "--csv and -o name the same file");
    }
  }
  CliPresenter presenter;
  presenter.SetStrict(a.Has("--strict"));
  if (auto text = a.Value("--description")) presenter.SetDescription(*text);

  ReferenceSetList sets;
  if (int status = LoadReferenceSets(global.referenceDataPath, sets)) return status;
  const int referenceIndex = FindReferenceSet(sets, *a.Value("--reference"));
  if (referenceIndex < 0) {
    return Fail(kExitFailure, "no reference set " + EscapeControlCharacters(*a.Value("--reference")));
  }
  // The reference list of the desktop program offers only the sets of the marked card model; a set of
  // the other model would be fitted area by area against the wrong colours, or mostly not at all.
  const ReferenceSet& chosen = sets[referenceIndex];
  if (!FitsCardModel(chosen, model)) {
    return Fail(kExitUsage, "the reference set \"" + EscapeControlCharacters(chosen.name) + "\" has " +
                                std::to_string(chosen.EntryCount()) + " entries; a " + cardText + " card needs one of " +
                                std::to_string(AreaCount(model)) + " (references --card " + cardText + " lists them)");
  }

  ImageBuffer image;
  ImageReadInfo info;
  int code = ReadImageFile(imagePath, image, &info).code();
  if (code == kOk) code = image.KeepUnconverted().code();
  if (code != kOk) {
    return Fail(kExitFailure, WithPath(ErrorCodeText(code), imagePath));
  }
  // A click must land on the image, as it would in the view.
  for (size_t i = 0; i < 6; i += 2) {
    if (clicks[i] < 0 || clicks[i + 1] < 0 || clicks[i] >= image.width() - 1 || clicks[i + 1] >= image.height() - 1) {
      return Fail(kExitUsage, "the click " + std::to_string(i / 2) + " lies outside the image");
    }
  }

  CommandLineHost host(image.width(), image.height(), model);
  CardSelection selection(host);
  for (size_t i = 0; i < 6; i += 2) selection.AddCorner(clicks[i], clicks[i + 1]);
  if (!selection.Complete() || selection.Layout() == nullptr) return Fail(kExitFailure, "the card could not be marked");
  if (a.Has("--turned")) selection.TurnHalf();

  ProfileStore store;
  EngineContext engine;
  CreateProfileInputs inputs;
  inputs.image = &image;
  inputs.documentHasEmbeddedProfile = !info.iccProfile.empty();
  inputs.documentFileName = imagePath;
  inputs.selection = &selection;
  inputs.references = &sets;
  inputs.referenceIndex = referenceIndex;
  inputs.checks = CardCheckSettingsOf(Settings());
  inputs.fit = FitParametersOf(Settings());
  const CreateProfileOutcome outcome = RunCreateProfile(inputs, store, engine, AppMessages());
  const bool created = outcome.result == CreateProfileResult::kCreated;

  std::string written;
  const ProfileRecord* record = created ? &store.At(outcome.storeIndex) : nullptr;
  if (record) {
    ProfileRecord copy = *record;
    if (SaveProfileFile(copy, output).failed()) {
      return Fail(kExitFailure, WithPath(ErrorCodeText(kProfileSaveFailed), output));
    }
    written = output;
  }
  const CardLayout& layout = *selection.Layout();
  QualityReportData report;
  if (record) {
    report = MakeQualityReportData(
        layout, MeasureProfileQuality(layout, outcome.workingReference, record->transform, engine.exposure),
        record->name, ProfileBoxText(*record));
    const Error saved = csv ? SaveQualityReportCsv(report, *csv) : Error();
    if (saved.failed()) return Fail(kExitFailure, CliErrorText(ConcerningFile(saved, *csv)));
  }

  if (a.Has("--json")) {
    PrintJsonReport(selection, outcome, engine, record, report, imagePath, written);
  } else if (record) {
    PrintReport(report);
    std::printf("profile \"%s\" written to %s\n", EscapeControlCharacters(ProfileBoxText(*record)).c_str(),
                EscapeControlCharacters(written).c_str());
  }

  if (!created) return kExitFailure;
  return outcome.findings.Clean() ? kExitOk : kExitWarning;
}

}  // namespace tintara::cli
