// create-profile: the Create Profile command on a photograph, with the card marked by three clicks.
#include <cstdio>
#include <sstream>

#include "app/strings.h"
#include "base/file_io.h"
#include "base/result_codes.h"
#include "card/create_profile.h"
#include "card/profile_quality.h"
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

std::string PointJson(const PointD& p) { return "[" + JsonNumber(p.x) + "," + JsonNumber(p.y) + "]"; }

template <size_t N>
std::string BytesJson(const std::array<uint8_t, N>& v) {
  std::string out = "[";
  for (size_t i = 0; i < N; ++i) out += (i ? "," : "") + std::to_string(v[i]);
  return out + "]";
}

std::string QuadJson(const std::array<PointD, 4>& q) {
  return "[" + PointJson(q[0]) + "," + PointJson(q[1]) + "," + PointJson(q[2]) + "," + PointJson(q[3]) + "]";
}

void PrintReport(const ProfileQualityReport& report) {
  std::printf("area  measured      reference     corrected     dE2000 before  after\n");
  for (const AreaQuality& q : report.areas) {
    std::printf("%4d  %3d %3d %3d   %3d %3d %3d   %3d %3d %3d   %12.2f %6.2f%s\n", q.index, q.measured[0],
                q.measured[1], q.measured[2], q.reference[0], q.reference[1], q.reference[2], q.corrected[0],
                q.corrected[1], q.corrected[2], q.deBefore, q.deAfter, q.inFit ? "" : "   (left out of the fit)");
  }
  std::printf("mean dE2000 %.2f before, %.2f after; largest %.2f before, %.2f after\n", report.meanBefore,
              report.meanAfter, report.maxBefore, report.maxAfter);
  std::string worst;
  for (int index : report.worst) worst += (worst.empty() ? "" : ", ") + std::to_string(index);
  std::printf("largest differences after: areas %s\n", worst.c_str());
}

}  // namespace

int CommandCreateProfile(const GlobalOptions& global, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {"--turned", "--strict", "--json"}, {"--corners", "--reference", "--card", "--description", "-o"},
               error)) {
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

  std::vector<double> clicks;
  std::stringstream list(*a.Value("--corners"));
  for (std::string item; std::getline(list, item, ',');) {
    const auto v = ParseFiniteDouble(item);
    if (!v) return Fail(kExitUsage, "--corners takes six numbers X0,Y0,X1,Y1,X2,Y2");
    clicks.push_back(*v);
  }
  if (clicks.size() != 6) return Fail(kExitUsage, "--corners takes six numbers X0,Y0,X1,Y1,X2,Y2");

  CliPresenter presenter;
  presenter.SetStrict(a.Has("--strict"));
  if (auto text = a.Value("--description")) presenter.SetDescription(*text);

  ReferenceSetList sets;
  if (int status = LoadReferenceSets(global.referenceDataPath, sets)) return status;
  const int referenceIndex = FindReferenceSet(sets, *a.Value("--reference"));
  if (referenceIndex < 0) return Fail(kExitFailure, "no reference set " + *a.Value("--reference"));

  ImageBuffer image;
  ImageReadInfo info;
  int code = ReadImageFile(imagePath, image, &info);
  if (code == kOk) code = image.KeepUnconverted();
  if (code != kOk) {
    return Fail(kExitFailure, ErrorCodeText(code) + " (" + imagePath + ")");
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
  const CreateProfileOutcome outcome = RunCreateProfile(inputs, store, engine);
  const bool created = outcome.result == CreateProfileResult::kCreated;

  std::string written;
  const ProfileRecord* record = created ? &store.At(outcome.storeIndex) : nullptr;
  if (record) {
    ProfileRecord copy = *record;
    if (!SaveProfileFile(copy, output)) return Fail(kExitFailure, ErrorCodeText(kProfileSaveFailed) + " (" + output + ")");
    written = output;
  }
  const CardLayout& layout = *selection.Layout();
  ProfileQualityReport report;
  if (record) report = MeasureProfileQuality(layout, outcome.workingReference, record->transform);

  if (a.Has("--json")) {
    std::string areas;
    for (size_t i = 0; i < layout.areas.size(); ++i) {
      const ColorArea& area = layout.areas[i];
      areas += (i ? "," : "") + std::string("{\"index\":") + std::to_string(area.index) +
               ",\"corners\":" + QuadJson(area.corners) + ",\"pixels\":" + std::to_string(area.pixelCount) +
               ",\"mean\":" + BytesJson(area.mean) + ",\"valid\":" + (area.Valid ? "true" : "false") +
               ",\"unreliable\":" + (area.Unreliable ? "true" : "false");
      if (record && i < report.areas.size()) {
        const AreaQuality& q = report.areas[i];
        areas += ",\"reference\":" + BytesJson(q.reference) + ",\"corrected\":" + BytesJson(q.corrected) +
                 ",\"de_before\":" + JsonNumber(q.deBefore) + ",\"de_after\":" + JsonNumber(q.deAfter);
      }
      areas += "}";
    }
    std::string coefficients = "[";
    for (int k = 0; k < kCoefficientCountExpected; ++k) {
      coefficients += (k ? "," : "") + JsonNumber(engine.coefficients.c[k]);
    }
    coefficients += "]";
    std::string quality = "null";
    if (record) {
      std::string worst = "[";
      for (size_t i = 0; i < report.worst.size(); ++i) worst += (i ? "," : "") + std::to_string(report.worst[i]);
      quality = "{\"mean_before\":" + JsonNumber(report.meanBefore) + ",\"max_before\":" + JsonNumber(report.maxBefore) +
                ",\"mean_after\":" + JsonNumber(report.meanAfter) + ",\"max_after\":" + JsonNumber(report.maxAfter) +
                ",\"worst\":" + worst + "]}";
    }
    std::printf("{\"corners\":%s,\"orientation\":%d,\"turned\":%s,\"areas\":[%s],\"codes\":[%d,%d,%d,%d,%d],"
                "\"objective\":%s,\"coefficients\":%s,\"name\":%s,\"description\":%s,\"profile\":%s,\"quality\":%s}\n",
                QuadJson(selection.Corners()).c_str(), layout.ComputeOrientation(), layout.Turned ? "true" : "false",
                areas.c_str(), outcome.codes[0], outcome.codes[1], outcome.codes[2], outcome.codes[3], outcome.codes[4],
                JsonNumber(engine.objective).c_str(), coefficients.c_str(),
                JsonString(record ? record->name : ProfileNameFromDocument(imagePath)).c_str(),
                JsonString(record ? record->description : "").c_str(),
                written.empty() ? "null" : JsonString(written).c_str(), quality.c_str());
  } else if (record) {
    PrintReport(report);
    std::printf("profile \"%s\" written to %s\n", ProfileBoxText(*record).c_str(), written.c_str());
  }

  if (!created) return kExitFailure;
  bool clean = true;
  for (int c : outcome.codes) clean = clean && c == kOk;
  return clean ? kExitOk : kExitWarning;
}

}  // namespace tintara::cli
