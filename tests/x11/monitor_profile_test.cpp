// The monitor adjustment in a real X server: the tests put monitor profiles of their own on the
// root window's "_ICC_PROFILE" property and compare what the display shows with LittleCMS's own
// conversion of the image from sRGB to that profile. Run under xvfb-run with QT_QPA_PLATFORM=xcb.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <vector>

#include "image/display_bitmap.h"
#include "image/ui/monitor_adjustment.h"
#include "image/ui/tintara_view.h"
#include "support/test_images.h"

namespace tintara {

class TintaraViewTestAccess {
 public:
  static void Show(CTintaraView& view, const DisplayBitmap& bitmap) {
    view.testBitmap_ = &bitmap;
    view.OnUpdate(0);
  }
};

namespace {

// A display profile unlike sRGB: wide primaries and a gamma of `gamma`.
std::vector<uint8_t> MonitorProfile(double gamma) {
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  const cmsCIExyYTRIPLE primaries{{0.68, 0.31, 1.0}, {0.20, 0.73, 1.0}, {0.15, 0.05, 1.0}};
  cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(curve);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// The image converted by LittleCMS itself, sRGB to `monitor`, perceptual, as red, green, blue.
std::vector<uint8_t> ConvertedByLittleCms(const ImageBuffer& image, const std::vector<uint8_t>& monitor) {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHPROFILE target = cmsOpenProfileFromMem(monitor.data(), static_cast<cmsUInt32Number>(monitor.size()));
  cmsHTRANSFORM transform = cmsCreateTransform(srgb, TYPE_RGB_8, target, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  std::vector<uint8_t> out(image.byteSize());
  cmsDoTransform(transform, image.pixels(), out.data(), static_cast<cmsUInt32Number>(image.width()) * image.height());
  cmsDeleteTransform(transform);
  cmsCloseProfile(target);
  cmsCloseProfile(srgb);
  return out;
}

class RootProperty {
 public:
  RootProperty() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return;
    connection_ = x11->connection();
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    static constexpr char kName[] = "_ICC_PROFILE";
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, sizeof kName - 1, kName), nullptr);
    atom_ = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
  }
  ~RootProperty() { Remove(); }

  bool ok() const { return connection_ && atom_ != XCB_ATOM_NONE; }

  void Set(const std::vector<uint8_t>& bytes) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, atom_, XCB_ATOM_CARDINAL, 8,
                        static_cast<uint32_t>(bytes.size()), bytes.data());
    Sync();
  }
  void Remove() {
    if (!ok()) return;
    xcb_delete_property(connection_, root_, atom_);
    Sync();
  }

 private:
  void Sync() { std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr)); }

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
  xcb_atom_t atom_ = XCB_ATOM_NONE;
};

// Bytes 0..2 of every pixel turned back into red, green, blue; `opaque` tells whether every fourth
// byte is still 0xFF.
std::vector<uint8_t> RgbOf(const DisplayBitmap& bitmap, bool& opaque) {
  std::vector<uint8_t> rgb;
  opaque = true;
  for (int64_t i = 0; i < int64_t{bitmap.width()} * bitmap.height(); ++i) {
    const uint8_t* p = bitmap.bits() + 4 * i;
    rgb.insert(rgb.end(), {p[2], p[1], p[0]});
    opaque = opaque && p[3] == 0xFF;
  }
  return rgb;
}

std::vector<uint8_t> RgbOf(const QImage& shot) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QRgb p = shot.pixel(x, y);
      rgb.insert(rgb.end(), {static_cast<uint8_t>(qRed(p)), static_cast<uint8_t>(qGreen(p)),
                             static_cast<uint8_t>(qBlue(p))});
    }
  }
  return rgb;
}

class MonitorProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(property_.ok()) << "needs an X server (QT_QPA_PLATFORM=xcb)";
    property_.Remove();
    test::FillPattern(image_, 301, 997, 4);  // above the size at which the work is shared out
    original_ = test::PixelBytes(image_);
  }

  RootProperty property_;
  ImageBuffer image_;
  std::vector<uint8_t> original_;
};

TEST_F(MonitorProfileTest, AdjustsToTheRootWindowsProfileAndOnlyThen) {
  DisplayBitmap bitmap;
  bool opaque = false;
  ASSERT_EQ(FillDisplayBitmap(bitmap, image_, nullptr), 0);
  EXPECT_FALSE(AdjustForMonitor(bitmap));  // no property
  EXPECT_EQ(RgbOf(bitmap, opaque), original_);

  const std::vector<uint8_t> wide18 = MonitorProfile(1.8);
  property_.Set(wide18);
  EXPECT_TRUE(AdjustForMonitor(bitmap));
  const std::vector<uint8_t> expected18 = ConvertedByLittleCms(image_, wide18);
  ASSERT_NE(expected18, original_);
  EXPECT_EQ(RgbOf(bitmap, opaque), expected18);
  EXPECT_TRUE(opaque);

  // Another monitor profile: the transform follows it.
  const std::vector<uint8_t> wide26 = MonitorProfile(2.6);
  property_.Set(wide26);
  ASSERT_EQ(FillDisplayBitmap(bitmap, image_, nullptr), 0);
  EXPECT_TRUE(AdjustForMonitor(bitmap));
  EXPECT_EQ(RgbOf(bitmap, opaque), ConvertedByLittleCms(image_, wide26));

  // Bytes that are no profile leave the bitmap as it is.
  property_.Set(std::vector<uint8_t>(500, 0x41));
  ASSERT_EQ(FillDisplayBitmap(bitmap, image_, nullptr), 0);
  EXPECT_FALSE(AdjustForMonitor(bitmap));
  EXPECT_EQ(RgbOf(bitmap, opaque), original_);
}

TEST_F(MonitorProfileTest, TheViewShowsTheAdjustedBitmapOneToOne) {
  const std::vector<uint8_t> monitor = MonitorProfile(1.8);
  property_.Set(monitor);
  ImageBuffer small;
  test::FillPattern(small, 160, 120, 8);

  CTintaraView view(nullptr);
  view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view.resize(400, 300);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  const QSize client = view.ClientSize();
  ASSERT_GE(client.width(), 160);
  ASSERT_GE(client.height(), 120);

  // What the view shows of the image, the display bitmap adjusted for the monitor or not.
  DisplayBitmap bitmap;
  auto shown = [&](bool adjust, bool adjusted) {
    EXPECT_EQ(FillDisplayBitmap(bitmap, small, nullptr), 0);
    if (adjust) {
      EXPECT_EQ(AdjustForMonitor(bitmap), adjusted);
    }
    TintaraViewTestAccess::Show(view, bitmap);
    view.OnRealSize();
    return RgbOf(view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(0, 0, 160, 120));
  };
  EXPECT_EQ(shown(true, true), ConvertedByLittleCms(small, monitor));
  // Without the adjustment asked for, the image's own pixels; and so without a monitor profile.
  EXPECT_EQ(shown(false, false), test::PixelBytes(small));
  property_.Remove();
  EXPECT_EQ(shown(true, false), test::PixelBytes(small));
}

}  // namespace
}  // namespace tintara

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
