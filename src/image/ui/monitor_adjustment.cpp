#include "image/ui/monitor_adjustment.h"

#include <lcms2.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "base/row_bands.h"

namespace tintara {

namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

// The raw bytes of the root window's "_ICC_PROFILE" property (the profile of the first monitor),
// or nothing: not on X11, no such atom or property, or a property that is not a byte string.
std::optional<std::vector<uint8_t>> ReadMonitorProfile() {
  const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11) return std::nullopt;
  xcb_connection_t* connection = x11->connection();
  if (!connection || xcb_connection_has_error(connection)) return std::nullopt;

  static constexpr char kAtomName[] = "_ICC_PROFILE";
  const xcb_intern_atom_cookie_t atomCookie = xcb_intern_atom(connection, 1, sizeof kAtomName - 1, kAtomName);
  XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(connection, atomCookie, nullptr));
  if (!atom || atom->atom == XCB_ATOM_NONE) return std::nullopt;

  const xcb_setup_t* setup = xcb_get_setup(connection);
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
  if (screens.rem < 1 || !screens.data) return std::nullopt;

  // A profile is a few kilobytes, rarely a few megabytes; 16 MB (in 32-bit units) is far beyond any.
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(connection, 0, screens.data->root, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, (1u << 24) / 4);
  XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
  if (!reply || reply->format != 8 || reply->bytes_after > 0) return std::nullopt;
  const int length = xcb_get_property_value_length(reply.get());
  if (length <= 0) return std::nullopt;
  const auto* value = static_cast<const uint8_t*>(xcb_get_property_value(reply.get()));
  return std::vector<uint8_t>(value, value + length);
}

// The sRGB -> monitor transform for the monitor profile seen last. Making one costs far more than
// using it, so it is made again only when the monitor's profile bytes change; a profile that cannot
// be used is remembered too, so it is not tried again for every bitmap.
class MonitorTransformCache {
 public:
  ~MonitorTransformCache() { Drop(); }

  cmsHTRANSFORM For(const std::vector<uint8_t>& profile) {
    if (valid_ && profile == bytes_) return transform_;
    Drop();
    bytes_ = profile;
    valid_ = true;
    transform_ = Make(profile);
    return transform_;
  }

 private:
  static cmsHTRANSFORM Make(const std::vector<uint8_t>& bytes) {
    cmsHPROFILE monitor = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    if (!monitor) return nullptr;
    cmsHTRANSFORM transform = nullptr;
    const cmsProfileClassSignature deviceClass = cmsGetDeviceClass(monitor);
    if (cmsGetColorSpace(monitor) == cmsSigRgbData &&
        (deviceClass == cmsSigDisplayClass || deviceClass == cmsSigOutputClass ||
         deviceClass == cmsSigColorSpaceClass || deviceClass == cmsSigInputClass)) {
      if (cmsHPROFILE srgb = cmsCreate_sRGBProfile()) {
        // No one-pixel cache, so several threads can share the transform; the fourth byte of each
        // pixel is not a channel and stays as it is.
        transform = cmsCreateTransform(srgb, TYPE_BGRA_8, monitor, TYPE_BGRA_8, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
        cmsCloseProfile(srgb);
      }
    }
    cmsCloseProfile(monitor);
    return transform;
  }

  void Drop() {
    if (transform_) cmsDeleteTransform(transform_);
    transform_ = nullptr;
    bytes_.clear();
    valid_ = false;
  }

  std::vector<uint8_t> bytes_;
  cmsHTRANSFORM transform_ = nullptr;
  bool valid_ = false;
};

void TransformRows(cmsHTRANSFORM transform, DisplayBitmap* bitmap, int firstRow, int endRow) {
  if (endRow <= firstRow) return;
  const auto stride = static_cast<cmsUInt32Number>(bitmap->stride());
  uint8_t* rows = bitmap->bits() + bitmap->stride() * firstRow;
  cmsDoTransformLineStride(transform, rows, rows, static_cast<cmsUInt32Number>(bitmap->width()),
                           static_cast<cmsUInt32Number>(endRow - firstRow), stride, stride, 0, 0);
}

}  // namespace

bool AdjustForMonitor(DisplayBitmap& bitmap) {
  if (bitmap.empty()) return false;
  const std::optional<std::vector<uint8_t>> profile = ReadMonitorProfile();
  if (!profile) return false;

  static std::mutex mutex;
  static MonitorTransformCache cache;
  const std::lock_guard lock(mutex);
  cmsHTRANSFORM transform = cache.For(*profile);
  if (!transform) return false;

  // Rows are shared out among the cores; each pixel is transformed on its own, so the result does
  // not depend on the split.
  ForEachRowBand(bitmap.height(), static_cast<int64_t>(bitmap.width()) * bitmap.height(), kParallelPixels,
                 [&](int first, int end) { TransformRows(transform, &bitmap, first, end); });
  return true;
}

}  // namespace tintara
