// render-card: draws a synthetic photograph of a reference card (or, with --card none, a still life
// without one) as a chosen camera would record it, for tests and demonstrations. Prints the three
// corner clicks that mark the card, ready for tintara-cli create-profile --corners.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/program_folder.h"
#include "card_renderer.h"
#include "image/image_file.h"

namespace {

using namespace tintara;
using namespace tintara::render;

constexpr char kUsage[] =
    "usage: render-card [options] -o OUT.tif|OUT.jpg\n"
    "  --card K7|K3|none         card model, or none for a photograph without a card (K7)\n"
    "  --refdata FILE            reference data (Lumeno.dat beside the program)\n"
    "  --reference NAME|#INDEX   reference set whose colours the card shows (first of the model)\n"
    "  --size WxH                image size (1600x1200)\n"
    "  --place CX,CY,LENGTH,DEG  card centre, long-edge length and clockwise turn (centre, 0.6 H, 0)\n"
    "  --corners X0,Y0,...,X3,Y3 the card outline instead of --place\n"
    "  --turned                  the card lies turned by 180 degrees\n"
    "  --perspective F           the card's top edge shrunk to F (1 = none)\n"
    "  --camera-gamma G[,G,G]    the camera's encoding power per channel (1)\n"
    "  --camera-matrix 9 numbers the camera's channel mixing, row-major (identity)\n"
    "  --camera-gain K           the camera's exposure (1)\n"
    "  --noise SIGMA             grain in 8-bit levels (0)\n"
    "  --light F                 light falls by F from the left edge to the right (0)\n"
    "  --seed N                  grain seed (1)\n"
    "  --quality Q               JPEG quality (92)\n";

std::vector<double> Numbers(const std::string& text) {
  std::vector<double> values;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) {
    char* end = nullptr;
    const double v = std::strtod(item.c_str(), &end);
    if (item.empty() || *end != '\0') return {};
    values.push_back(v);
  }
  return values;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "render-card: %s\n%s", message.c_str(), kUsage);
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  Scene scene;
  Camera camera;
  std::string card = "K7", refdata = DefaultReferenceDataPath(), referenceKey, output;
  std::vector<double> place, corners;
  int quality = 92;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "render-card: %s needs a value\n", a.c_str());
        std::exit(64);
      }
      return argv[++i];
    };
    if (a == "--card") card = value();
    else if (a == "--refdata") refdata = value();
    else if (a == "--reference") referenceKey = value();
    else if (a == "--size") {
      const std::string s = value();
      if (std::sscanf(s.c_str(), "%dx%d", &scene.width, &scene.height) != 2) return Usage("bad --size");
    } else if (a == "--place") place = Numbers(value());
    else if (a == "--corners") corners = Numbers(value());
    else if (a == "--turned") scene.turned = true;
    else if (a == "--perspective") scene.perspective = std::atof(value().c_str());
    else if (a == "--camera-gamma") {
      const std::vector<double> g = Numbers(value());
      if (g.size() != 1 && g.size() != 3) return Usage("--camera-gamma takes 1 or 3 numbers");
      for (int c = 0; c < 3; ++c) camera.gamma[c] = g[g.size() == 1 ? 0 : c];
    } else if (a == "--camera-matrix") {
      const std::vector<double> m = Numbers(value());
      if (m.size() != 9) return Usage("--camera-matrix takes 9 numbers");
      for (int k = 0; k < 9; ++k) camera.matrix[k / 3][k % 3] = m[k];
    } else if (a == "--camera-gain") camera.gain = std::atof(value().c_str());
    else if (a == "--noise") scene.noise = std::atof(value().c_str());
    else if (a == "--light") scene.light = std::atof(value().c_str());
    else if (a == "--seed") scene.seed = unsigned(std::atol(value().c_str()));
    else if (a == "--quality") quality = std::atoi(value().c_str());
    else if (a == "-o") output = value();
    else return Usage("unknown option " + a);
  }
  if (output.empty()) return Usage("-o OUT is required");
  if (scene.width < 8 || scene.height < 8 || scene.width > 20000 || scene.height > 20000) return Usage("bad --size");
  if (card != "K7" && card != "K3" && card != "none") return Usage("--card takes K7, K3 or none");
  scene.k3 = card == "K3";
  scene.drawCard = card != "none";

  ReferenceSetList sets;
  if (LoadReferenceData(sets, refdata).failed()) {
    std::fprintf(stderr, "render-card: cannot load reference data %s\n", refdata.c_str());
    return 2;
  }
  const int wanted = scene.k3 ? kK3EntryCount : kK7EntryCount;
  int index = -1;
  for (size_t i = 0; i < sets.size() && index < 0; ++i) {
    const bool match = referenceKey.empty()   ? sets[i].EntryCount() == wanted
                       : referenceKey[0] == '#' ? std::to_string(i) == referenceKey.substr(1)
                                                : sets[i].name == referenceKey;
    if (match) index = int(i);
  }
  if (index < 0) return Usage("no such reference set");

  if (corners.size() == 8) {
    for (int k = 0; k < 4; ++k) scene.corners[k] = {corners[2 * k], corners[2 * k + 1]};
  } else if (!corners.empty()) {
    return Usage("--corners takes 8 numbers");
  } else {
    if (place.empty()) place = {scene.width / 2.0, scene.height / 2.0, scene.height * 0.6, 0.0};
    if (place.size() != 4) return Usage("--place takes 4 numbers");
    scene.corners = PlaceCard(place[0], place[1], place[2], place[3], scene.k3);
  }

  ImageBuffer image;
  if (const int code = Render(scene, sets[index], camera, image); code != 0) {
    std::fprintf(stderr, "render-card: cannot make an image of that size (code %d)\n", code);
    return 2;
  }
  const ImageFormat format = ImageFormatOf(output);
  if (format == ImageFormat::kUnknown) return Usage("the output must end in .tif, .tiff, .jpg or .jpeg");
  if (WriteImageFile(output, format, image, {}, quality) != 0) {
    std::fprintf(stderr, "render-card: cannot write %s\n", output.c_str());
    return 2;
  }
  if (scene.drawCard) {
    const std::array<Point, 4> p = ScreenOrder(scene.corners);
    std::printf("%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\n", p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
  }
  return 0;
}
