#include "card/area_sampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "app/settings.h"
#include "base/result_codes.h"
#include "card/card_layout.h"
#include "card/card_selection.h"
#include "card/card_settings.h"
#include "support/test_cards.h"
#include "support/test_environment.h"

namespace tintara {
namespace {

using Quad = std::array<PointD, 4>;
using Mean = std::array<uint8_t, 3>;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Pixels that tell where they are (red = x, green = y, blue = 1) unless painted over, held in a
// vector of exactly width x height x 3 bytes so the address sanitizer sees any read past it.
struct TestImage {
  TestImage(int w, int h) : width(w), height(h), bytes(static_cast<size_t>(w) * h * 3) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) Set(x, y, {uint8_t(x), uint8_t(y), 1});
    }
  }
  void Set(int x, int y, const Mean& c) {
    std::copy(c.begin(), c.end(), &bytes[(static_cast<size_t>(y) * width + x) * 3]);
  }
  PixelView View() const { return {bytes.data(), width, height}; }
  int width, height;
  std::vector<uint8_t> bytes;
};

int64_t Count(const Quad& quad, const TestImage& image) {
  return ScanQuad(quad, image.View()).count;
}

// A column of n pixels at x, without margin.
ColorArea Line(int x, int n) {
  ColorArea area;
  area.corners = {{{double(x), 0}, {double(x), 0}, {double(x), n - 1.0}, {double(x), n - 1.0}}};
  return area;
}

ReferenceSet FullWeights(int entries) {
  return {"test", std::vector<ReferenceEntry>(entries, {9, 9, 9, 100})};
}

// Sampling and the checks with the limits the settings hold by default; a test changes the values it
// is about.
class AreaSamplingTest : public test::PrivateSettingsTest {
 protected:
  void SetUp() override {
    PrivateSettingsTest::SetUp();
    checks_ = CardCheckSettingsOf(Settings());
  }

  // A laid-out card with every mean grey; the checks only read the means.
  static std::unique_ptr<CardLayout> Grey(CardModel model) {
    std::unique_ptr<CardLayout> layout = MakeCardLayout(model);
    layout->corners = {{{100, 100}, {300, 100}, {300, 500}, {100, 500}}};
    layout->Layout();
    for (ColorArea& area : layout->areas) area.mean = {128, 128, 128};
    return layout;
  }

  CardCheckSettings checks_;
};

TEST(ScanQuadTest, InsetAndScanCountTheAreasPixels) {
  const Quad area{{{0, 0}, {10, 0}, {10, 20}, {0, 20}}};
  EXPECT_EQ(InsetQuad(area, 2), (Quad{{{2, 2}, {8, 2}, {8, 18}, {2, 18}}}));
  // Margins wider than the area collapse it to a line, then to a point.
  EXPECT_EQ(InsetQuad(area, 6), (Quad{{{6, 6}, {6, 6}, {6, 14}, {6, 14}}}));
  EXPECT_EQ(InsetQuad(area, 12), (Quad{{{12, 12}, {12, 12}, {12, 12}, {12, 12}}}));

  const TestImage image(16, 16);
  const ScanResult rect = ScanQuad({{{2, 1}, {6, 1}, {6, 3}, {2, 3}}}, image.View());
  EXPECT_EQ(rect.count, 15);  // both ends of every span and both end rows
  EXPECT_EQ(rect.sumR, 60u);
  EXPECT_EQ(rect.sumG, 30u);
  EXPECT_EQ(rect.sumB, 15u);
  EXPECT_EQ(Count(InsetQuad(area, 6), image), 9);
  EXPECT_EQ(Count(InsetQuad(area, 12), image), 0);

  // Vertex rows are crossed once where the outline runs on through them in y. A diamond's side
  // vertices: row 5 is filled across (52 without the rule).
  EXPECT_EQ(Count({{{5, 0}, {10, 5}, {5, 10}, {0, 5}}}, image), 61);
  // Through (4, 4) with equal extents the second edge gives up the row, and its re-interpolated
  // crossing on row 6 moves from 5 to 4.
  EXPECT_EQ(Count({{{0, 0}, {4, 4}, {5, 8}, {0, 8}}}, image), 37);
  // Through (2, 6) the second edge is shorter, so the first gives up the row.
  EXPECT_EQ(Count({{{0, 0}, {2, 6}, {3, 8}, {0, 8}}}, image), 23);
  // The path runs from the leftmost corner up its steepest edge, which makes the edge from (1, 0)
  // the first of the pair at (5, 4); the other way round gives 42.
  EXPECT_EQ(Count({{{1, 0}, {5, 4}, {6, 8}, {0, 8}}}, image), 41);

  // Halves round away from zero: corners at 2.5 go to column 3, rows 1 to 3; a corner at -2.5 goes
  // to -3; a crossing at 2.5 to 3; a right end at -0.5 to -1, taking nothing on that row.
  const ScanResult line =
      ScanQuad({{{2.5, 0.5}, {2.5, 0.5}, {2.5, 2.5}, {2.5, 2.5}}}, image.View());
  EXPECT_TRUE(line.count == 3 && line.sumR == 9 && line.sumG == 6);
  EXPECT_EQ(Count({{{-2.5, 0}, {6, 0}, {6, 4}, {3, 4}}}, image), 30);
  EXPECT_EQ(Count({{{0, 0}, {2, 0}, {3, 2}, {0, 2}}}, image), 11);
  EXPECT_EQ(Count({{{-5, 0}, {-1, 0}, {0, 2}, {-5, 2}}}, image), 1);
}

TEST(ScanQuadTest, ReadsOnlyInsideTheImage) {
  const TestImage image(10, 10);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Count({{{-3, -3}, {4, -3}, {4, 2}, {-3, 2}}}, image), 15);
  EXPECT_EQ(Count({{{5, 7}, {14, 7}, {14, 30}, {5, 30}}}, image), 15);
  for (const Quad& outside :
       {Quad{{{12, 0}, {15, 0}, {15, 5}, {12, 5}}}, Quad{{{0, 10}, {5, 10}, {5, 12}, {0, 12}}},
        Quad{{{-8, 0}, {-1, 0}, {-1, 5}, {-8, 5}}}, Quad{{{0, -9}, {5, -9}, {5, -1}, {0, -1}}},
        Quad{{{kNaN, 0}, {5, 0}, {5, 5}, {0, 5}}}, Quad{{{0, 0}, {inf, 0}, {5, 5}, {0, 5}}}}) {
    EXPECT_EQ(Count(outside, image), 0);
  }
  EXPECT_EQ(Count({{{-1e300, -1e300}, {1e300, -1e300}, {1e300, 1e300}, {-1e300, 1e300}}}, image),
            100);
  EXPECT_EQ(Count({{{-1e300, 0}, {1e300, 0}, {1e300, 1e300}, {-1e300, 5}}}, image), 100);
  EXPECT_EQ(ScanQuad({{{0, 0}, {5, 0}, {5, 5}, {0, 5}}}, PixelView{}).count, 0);
}

TEST_F(AreaSamplingTest, PixelCountsDecideValidityAndSampleAreasReportsTheWorst) {
  TestImage image(8, 40);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 8; ++x) image.Set(x, y, {uint8_t(10 * x), uint8_t(10 * x + 1), 7});
  }
  struct Case {
    int pixels, code;
    bool valid, unreliable;
  };
  for (const Case& c : {Case{9, kTooFewPixels, false, false}, Case{10, kFewPixels, true, true},
                        Case{20, kFewPixels, true, true}, Case{21, kOk, true, false},
                        Case{0, kTooFewPixels, false, false}}) {
    ColorArea area = c.pixels ? Line(1, c.pixels) : Line(50, 30);
    area.Valid = false;  // an earlier result does not stick
    area.Unreliable = true;
    EXPECT_EQ(area.Sample(image.View(), 0.0, checks_), c.code) << c.pixels;
    EXPECT_TRUE(area.Valid == c.valid && area.Unreliable == c.unreliable) << c.pixels;
    EXPECT_EQ(area.mean, (c.pixels ? Mean{10, 11, 7} : Mean{0, 0, 0}));
  }
  CardCheckSettings lower = checks_;
  lower.errorPixels = 4;
  ColorArea nine = Line(1, 9);
  EXPECT_EQ(nine.Sample(image.View(), 0.0, lower), kFewPixels);
  // A margin wider than the area leaves one line of 9 pixels.
  ColorArea wide;
  wide.corners = {{{0, 0}, {7, 0}, {7, 18}, {0, 18}}};
  EXPECT_EQ(wide.Sample(image.View(), 5.0, checks_), kTooFewPixels);
  EXPECT_EQ(wide.mean[0], 50);

  // SampleAreas takes the margin of the layout's own model.
  checks_.k3.innerMargin = 0.0;
  checks_.k7.innerMargin = 1000.0;

  // 15 wins over 16 in either order; each failed area loses its weight, and only its.
  for (const auto& [pixels, result] :
       {std::pair{std::array{25, 15, 5}, kTooFewPixels},
        std::pair{std::array{25, 5, 15}, kTooFewPixels},
        std::pair{std::array{30, 25, 15}, kFewPixels}, std::pair{std::array{25, 30, 40}, kOk}}) {
    CardLayoutK3 layout;
    for (int i = 0; i < 3; ++i) layout.AddArea(Line(2 * i + 1, pixels[i]));
    ReferenceSet reference = FullWeights(3);
    EXPECT_EQ(layout.SampleAreas(image.View(), reference, checks_), result);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(reference.entries[i],
                (ReferenceEntry{9, 9, 9, uint16_t(pixels[i] > 20 ? 100 : 0)}));
      EXPECT_EQ(layout.samples.R[i], 20 * i + 10);
      EXPECT_EQ(layout.samples.G[i], 20 * i + 11);
      EXPECT_EQ(layout.samples.B[i], 7);
    }
  }
  // A reference set shorter than the card: nothing written past its end.
  CardLayoutK3 layout;
  for (int i = 0; i < 3; ++i) layout.AddArea(Line(2 * i + 1, 5));
  ReferenceSet shortSet = FullWeights(1);
  EXPECT_EQ(layout.SampleAreas(image.View(), shortSet, checks_), kTooFewPixels);
  EXPECT_EQ(shortSet.entries.size(), 1u);
}

TEST_F(AreaSamplingTest, WhiteAndBlackLimits) {
  struct Case {
    CardModel model;
    int area;
    Mean mean;
    int code;
    bool valid, unreliable;
  };
  const Case cases[] = {
      {CardModel::K7, 8, {253, 253, 253}, kWhiteTooBright, true, true},  // 253 > 252.45
      {CardModel::K7, 8, {190, 191, 191}, kWhiteTooDark, false, false},  // 190.67 < 191.25
      {CardModel::K7, 8, {191, 191, 192}, kOk, true, false},
      {CardModel::K7, 3, {64, 64, 64}, kBlackTooBright, false, false},  // 64 > 63.75
      {CardModel::K7, 3, {63, 64, 64}, kOk, true, false},
      {CardModel::K7, 3, {2, 2, 2}, kBlackTooDark, true, true},  // 2 < 2.55
      {CardModel::K7, 3, {3, 3, 2}, kOk, true, false},
      {CardModel::K3, 0, {253, 253, 253}, kWhiteTooBright, true, true},
      {CardModel::K3, 2, {64, 64, 64}, kBlackTooBright, false, false},
  };
  for (const Case& c : cases) {
    auto layout = Grey(c.model);
    ColorArea& area = layout->areas[c.area];
    area.mean = c.mean;
    const bool white = c.area == (c.model == CardModel::K7 ? 8 : 0);
    EXPECT_EQ(white ? layout->CheckWhite(checks_) : layout->CheckBlack(checks_), c.code) << int(c.mean[0]);
    EXPECT_TRUE(area.Valid == c.valid && area.Unreliable == c.unreliable) << int(c.mean[0]);
  }

  // Exactly on a limit passes; each model takes its own limits.
  checks_.k7.white.high = 1.0;
  checks_.k7.black.low = 0.0;
  checks_.k3.white.high = 0.5;
  auto k7 = Grey(CardModel::K7);
  k7->areas[8].mean = {255, 255, 255};
  k7->areas[3].mean = {0, 0, 0};
  EXPECT_EQ(k7->CheckWhite(checks_), kOk);
  EXPECT_EQ(k7->CheckBlack(checks_), kOk);
  auto k3 = Grey(CardModel::K3);
  k3->areas[0].mean = {200, 200, 200};
  EXPECT_EQ(k3->CheckWhite(checks_), kWhiteTooBright);

  // No check clears what an earlier step set.
  k7->areas[8].Valid = false;
  k7->areas[8].mean = {254, 254, 254};
  k7->areas[3].Unreliable = true;
  checks_.k7.white.high = 0.99;
  EXPECT_EQ(k7->CheckWhite(checks_), kWhiteTooBright);
  EXPECT_EQ(k7->CheckBlack(checks_), kOk);
  EXPECT_TRUE(!k7->areas[8].Valid && k7->areas[3].Unreliable);
}

TEST_F(AreaSamplingTest, CornerAreasMustAgree) {
  struct Case {
    std::array<uint8_t, 4> values;  // areas 0, 9, 20, 29
    std::array<bool, 4> valid;
    int code;
  };
  const Case cases[] = {
      {{120, 121, 122, 136}, {true, true, true, true}, kOk},               // mean 124, +12 at most
      {{110, 120, 120, 150}, {false, true, true, false}, kUnevenCorners},  // mean 125
      {{120, 121, 121, 137}, {true, true, true, false}, kUnevenCorners},   // 124, not 124.75
  };
  for (int channel = 0; channel < 3; ++channel) {
    for (const Case& c : cases) {
      auto layout = Grey(CardModel::K7);
      for (int k = 0; k < 4; ++k) layout->areas[kK7CornerAreas[k]].mean[channel] = c.values[k];
      EXPECT_EQ(layout->CheckCorners(checks_), c.code);
      for (int k = 0; k < 4; ++k) EXPECT_EQ(layout->areas[kK7CornerAreas[k]].Valid, c.valid[k]);
    }
  }
  // Exactly at the limit passes.
  checks_.k7.corners = 0.2;
  ASSERT_EQ(0.2 * 255, 51.0);
  auto layout = Grey(CardModel::K7);
  const std::array<uint8_t, 4> atLimit{49, 100, 100, 151};
  for (int k = 0; k < 4; ++k) layout->areas[kK7CornerAreas[k]].mean[1] = atLimit[k];
  EXPECT_EQ(layout->CheckCorners(checks_), kOk);
  layout->areas[0].mean[1] = 48;
  layout->areas[29].mean[1] = 152;
  EXPECT_EQ(layout->CheckCorners(checks_), kUnevenCorners);

  auto k3 = Grey(CardModel::K3);  // no corner areas
  k3->areas[0].mean = {255, 255, 255};
  k3->areas[2].mean = {0, 0, 0};
  EXPECT_EQ(k3->CheckCorners(checks_), kOk);
}

TEST_F(AreaSamplingTest, MarkedCardIsMeasuredWhereItLies) {
  const test::TestCardHost host(400, 600, CardModel::K7);
  CardSelection selection(host);
  for (const PointD& p : {PointD{100, 100}, PointD{300, 100}, PointD{300, 500}})
    selection.AddCorner(p.x, p.y);
  CardLayout& layout = *selection.Layout();
  // Each area painted its own colour over its whole rectangle.
  TestImage image(400, 600);
  const auto colour = [](int i) {
    return Mean{uint8_t(8 * i), uint8_t(250 - 8 * i), uint8_t(40 + i)};
  };
  for (const ColorArea& area : layout.areas) {
    for (int y = int(std::ceil(area.corners[0].y)); y <= area.corners[2].y; ++y) {
      for (int x = int(std::ceil(area.corners[0].x)); x <= area.corners[2].x; ++x)
        image.Set(x, y, colour(area.index));
    }
  }
  ReferenceSet reference = FullWeights(30);
  checks_.k3.innerMargin = 1000.0;  // the other model's margin changes nothing
  EXPECT_EQ(layout.SampleAreas(image.View(), reference, checks_), kOk);
  for (int i = 0; i < 30; ++i) {
    const Mean c = colour(i);
    EXPECT_TRUE(layout.samples.R[i] == c[0] && layout.samples.G[i] == c[1] &&
                layout.samples.B[i] == c[2])
        << i;
    EXPECT_TRUE(layout.areas[i].Valid && !layout.areas[i].Unreliable &&
                reference.entries[i].W == 100);
  }

  // Dragged past the right and bottom edges: the areas still inside are measured, the rest find
  // nothing.
  selection.SetCorner(1, 700, 100);
  selection.SetCorner(2, 700, 900);
  selection.SetCorner(3, 100, 900);
  selection.Relayout();
  reference = FullWeights(30);
  EXPECT_EQ(layout.SampleAreas(image.View(), reference, checks_), kTooFewPixels);
  EXPECT_TRUE(layout.areas[9].Valid && reference.entries[9].W == 100);
  EXPECT_TRUE(!layout.areas[0].Valid && !layout.areas[29].Valid && reference.entries[29].W == 0);

  // Wholly outside, not numbers, or absurdly far: nothing read outside, bounded work.
  for (const Quad& corners :
       {Quad{{{1000, 1000}, {1200, 1000}, {1200, 1400}, {1000, 1400}}},
        Quad{{{-900, -900}, {-700, -900}, {-700, -500}, {-900, -500}}},
        Quad{{{kNaN, 100}, {300, 100}, {300, 500}, {100, 500}}},
        Quad{{{-1e300, -1e300}, {1e300, -1e300}, {1e300, 1e300}, {-1e300, 1e300}}}}) {
    for (int k = 0; k < 4; ++k) selection.SetCorner(k, corners[k].x, corners[k].y);
    selection.Relayout();
    reference = FullWeights(30);
    const Error found = layout.SampleAreas(image.View(), reference, checks_);
    if (corners[0].x != -1e300) {
      EXPECT_EQ(found, kTooFewPixels);
      for (int i = 0; i < 30; ++i)
        EXPECT_TRUE(!layout.areas[i].Valid && reference.entries[i].W == 0);
    }
  }
}

}  // namespace
}  // namespace tintara
