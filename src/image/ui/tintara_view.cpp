#include "image/ui/tintara_view.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/messages.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/view_zoom.h"

namespace tintara {

namespace {

// The cross-hatch around the image, in light grey over the view's own background.
const QColor kHatchColour(191, 191, 191);

// The hatch repeats every 8 device pixels; its origin is the content's origin, -scroll, taken modulo
// 8, so the hatch scrolls with the image.
int HatchPhase(int scroll) { return ((-scroll) % 8 + 8) % 8; }

}  // namespace

CTintaraView::CTintaraView(CTintaraDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent),
      document_(document),
      selection_(std::make_unique<CardSelection>(static_cast<const CardSelectionHost&>(*this))) {
  // Every pixel of the viewport is painted on every paint (image, background or hatch), so Qt need
  // not clear it first: no flicker, and no wasted fill.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  if (document_) document_->AddView(this);
}

CTintaraView::~CTintaraView() {
  if (document_) document_->RemoveView(this);
}

const DisplayBitmap* CTintaraView::Bitmap() const {
  if (testBitmap_) return testBitmap_;
  return document_ ? &document_->displayBitmap() : nullptr;
}

int CTintaraView::ImageWidth() const {
  if (testBitmap_) return testBitmap_->width();
  return document_ ? document_->image().width() : 0;
}

int CTintaraView::ImageHeight() const {
  if (testBitmap_) return testBitmap_->height();
  return document_ ? document_->image().height() : 0;
}

CardModel CTintaraView::MarkingCardModel() const { return CardModel::K7; }

double CTintaraView::ClampZoom(double z) const { return tintara::ClampZoom(z, ImageWidth(), ImageHeight()); }

double CTintaraView::DeviceRatio() const { return viewport()->devicePixelRatioF(); }

QSize CTintaraView::ClientSize() const {
  const double ratio = DeviceRatio();
  const QSize logical = viewport()->size();
  return QSize(static_cast<int>(std::lround(logical.width() * ratio)),
               static_cast<int>(std::lround(logical.height() * ratio)));
}

QPoint CTintaraView::ScrollPosition() const {
  return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QPointF CTintaraView::WindowToImage(QPointF windowPoint) const {
  const QPoint scroll = ScrollPosition();
  return QPointF((windowPoint.x() + scroll.x()) / zoom_, (windowPoint.y() + scroll.y()) / zoom_);
}

QPointF CTintaraView::ImageToWindow(QPointF imagePoint) const {
  const QPoint scroll = ScrollPosition();
  return QPointF(imagePoint.x() * zoom_ - scroll.x(), imagePoint.y() * zoom_ - scroll.y());
}

void CTintaraView::SetZoom(double z) { zoom_ = z; }

void CTintaraView::SetScrollArea(int width, int height) {
  areaWidth_ = std::max(width, 0);
  areaHeight_ = std::max(height, 0);
  UpdateScrollBars();
}

void CTintaraView::UpdateScrollBars() {
  const QSize client = ClientSize();
  auto set = [](QScrollBar* bar, int area, int client) {
    bar->setRange(0, std::max(0, area - client));
    bar->setPageStep(std::max(1, client));
    bar->setSingleStep(std::max(1, client / 10));
  };
  set(horizontalScrollBar(), areaWidth_, client.width());
  set(verticalScrollBar(), areaHeight_, client.height());
}

void CTintaraView::SetScrollPosition(std::optional<int> x, std::optional<int> y) {
  if (x) horizontalScrollBar()->setValue(*x);
  if (y) verticalScrollBar()->setValue(*y);
}

void CTintaraView::OnUpdate(int hint) {
  cacheInvalid_ = true;
  SetScrollArea(ZoomedExtent(ImageWidth(), zoom_), ZoomedExtent(ImageHeight(), zoom_));
  if (hint == kHintFitAfterOpen) FitOnScreen();
  emit zoomChanged();
  viewport()->update();
}

void CTintaraView::OnRealSize() {
  const QPoint scroll = ScrollPosition();
  const int oldWidth = areaWidth_;
  const int oldHeight = areaHeight_;
  SetZoom(1.0);
  emit zoomChanged();
  SetScrollArea(ImageWidth(), ImageHeight());
  const QSize client = ClientSize();
  SetScrollPosition(RealSizeScroll(scroll.x(), oldWidth, areaWidth_, client.width()),
                    RealSizeScroll(scroll.y(), oldHeight, areaHeight_, client.height()));
  viewport()->update();
}

void CTintaraView::FitOnScreen() {
  // The frame around the view fills the workspace the windows live in, so the whole image is in
  // sight after the fit. (Sized from the main window's outer and client sizes instead, it would run
  // past the workspace by the height of the bars and cut off the image it was meant to show.)
  QMdiSubWindow* frame = nullptr;
  for (QWidget* w = parentWidget(); w && !frame; w = w->parentWidget()) frame = qobject_cast<QMdiSubWindow*>(w);
  if (frame && !frame->isMinimized() && !frame->isMaximized()) {
    if (QMdiArea* area = frame->mdiArea()) {
      frame->move(0, 0);
      frame->resize(area->viewport()->size());
    }
  }
  // The frame's client is the whole view, scroll bars included.
  const double ratio = DeviceRatio();
  const double clientWidth = std::lround(width() * ratio) - 4.0;
  const double clientHeight = std::lround(height() * ratio) - 4.0;
  const int w = ImageWidth();
  const int h = ImageHeight();
  if (w > 0 && h > 0) SetZoom(ClampZoom(std::min(clientWidth / w, clientHeight / h)));
  SetScrollArea(ZoomedExtent(w, zoom_), ZoomedExtent(h, zoom_));
  emit zoomChanged();
  SetScrollPosition(0, 0);
  viewport()->update();
}

void CTintaraView::OnEnterZoom() {
  const int w = ImageWidth();
  const int h = ImageHeight();
  const ZoomPercentRange range = EnterZoomRange(zoom_, w, h);
  const std::optional<int> percent = Presenter().AskZoomPercent(range.initial, range.low, range.high);
  if (!percent) return;
  // The dialog refuses values outside the range; one that arrives anyway is held to it, since a zoom
  // past the limits would take the zoomed coordinates beyond what can be painted.
  SetZoom(std::clamp(*percent, range.low, std::max(range.low, range.high)) * 0.01);
  emit zoomChanged();
  SetScrollArea(static_cast<int>(zoom_ * w), static_cast<int>(zoom_ * h));
  viewport()->update();
}

void CTintaraView::OnZoomIn() {
  ZoomToRect(zoom_ * kZoomInFactor, ImageRect{0.0, 0.0, static_cast<double>(ImageWidth()),
                                               static_cast<double>(ImageHeight())});
}

void CTintaraView::OnZoomOut() {
  const QSize client = ClientSize();
  ZoomOutAt(QPoint(client.width() / 2, client.height() / 2));
}

void CTintaraView::ZoomToRect(double requested, const ImageRect& rect) {
  const double z = ClampZoom(requested);
  SetZoom(z);
  SetScrollArea(ZoomedExtent(ImageWidth(), z), ZoomedExtent(ImageHeight(), z));
  SetScrollPosition(0, 0);
  const QSize client = ClientSize();
  SetScrollPosition(ZoomToRectScroll(rect.left, rect.right, z, client.width(), areaWidth_),
                    ZoomToRectScroll(rect.top, rect.bottom, z, client.height(), areaHeight_));
  emit zoomChanged();
  viewport()->update();
}

void CTintaraView::ZoomOutAt(QPoint windowPoint) {
  const double z = ClampZoom(zoom_ * kZoomOutFactor);
  const QPointF imagePoint = WindowToImage(QPointF(windowPoint));
  SetZoom(z);
  SetScrollArea(ZoomedExtent(ImageWidth(), z), ZoomedExtent(ImageHeight(), z));
  SetScrollPosition(0, 0);
  const QSize client = ClientSize();
  SetScrollPosition(ZoomOutScroll(imagePoint.x(), z, client.width(), areaWidth_),
                    ZoomOutScroll(imagePoint.y(), z, client.height(), areaHeight_));
  emit zoomChanged();
  viewport()->update();
}

void CTintaraView::RebuildCache(const DisplayBitmap& bitmap, QSize client, QPoint scroll, double ratio) {
  ++cacheRebuilds_;
  cacheZoom_ = zoom_;
  cacheScroll_ = scroll;
  cacheClient_ = client;
  cacheRatio_ = ratio;
  cacheInvalid_ = false;

  const CacheGeometry g = VisibleCacheGeometry(zoom_, scroll.x(), scroll.y(), client.width(), client.height(),
                                               bitmap.width(), bitmap.height());
  const int dw = g.dstWidth();
  const int dh = g.dstHeight();
  if (cache_.isNull() || cache_.width() < dw || cache_.height() < dh) {
    const int newWidth = std::max(cache_.isNull() ? 0 : cache_.width(), dw + 1);
    const int newHeight = std::max(cache_.isNull() ? 0 : cache_.height(), dh + 1);
    cache_ = QImage();  // the old one goes first: the two need not be held at once
    cache_ = QImage(newWidth, newHeight, QImage::Format_RGB32);
    if (cache_.isNull()) {
      cacheInvalid_ = true;  // no memory now: try again at the next paint
      return;
    }
  }
  cacheLeft_ = g.dstLeft;
  cacheTop_ = g.dstTop;

  NearestIndexTable(g.srcWidth(), dw, columnTable_);
  NearestIndexTable(g.srcHeight(), dh, rowTable_);
  // Byte offsets of the source pixels of each cache column within a bitmap row.
  for (int32_t& column : columnTable_) column = (column + g.srcLeft) * 4;

  const uint8_t* source = bitmap.bits();
  const int64_t sourceStride = bitmap.stride();
  uint8_t* target = cache_.bits();
  const int64_t targetStride = cache_.bytesPerLine();
  const int32_t* columns = columnTable_.data();
  int previousRow = -1;
  for (int j = 0; j < dh; ++j) {
    uint8_t* out = target + targetStride * j;
    const int row = rowTable_[static_cast<size_t>(j)];
    if (row == previousRow) {
      // A repeated source row (zoom above 100 %): the line just made, once more.
      std::memcpy(out, out - targetStride, static_cast<size_t>(dw) * 4);
      continue;
    }
    previousRow = row;
    const uint8_t* in = source + sourceStride * (g.srcTop + row);
    for (int i = 0; i < dw; ++i) std::memcpy(out + 4 * i, in + columns[i], 4);
  }
}

void CTintaraView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const double ratio = DeviceRatio();
  const QSize client = ClientSize();
  const QPoint scroll = ScrollPosition();
  const DisplayBitmap* bitmap = Bitmap();
  const int w = ImageWidth();
  const int h = ImageHeight();
  const bool showImage = bitmap && !bitmap->empty() && bitmap->width() == w && bitmap->height() == h;

  // Where the image ends in the viewport: whole zoomed pixels of it end at floor(W x z); the
  // hatch starts after the last partly covered pixel, at ceil(W x z). The column between (a
  // fractional zoom) shows the background.
  int imageRight = 0, imageBottom = 0, hatchLeft = 0, hatchTop = 0;
  if (showImage) {
    imageRight = static_cast<int>(std::floor(w * zoom_)) - scroll.x();
    imageBottom = static_cast<int>(std::floor(h * zoom_)) - scroll.y();
    hatchLeft = static_cast<int>(std::ceil(w * zoom_)) - scroll.x();
    hatchTop = static_cast<int>(std::ceil(h * zoom_)) - scroll.y();
  }
  const int visibleWidth = std::clamp(imageRight, 0, client.width());
  const int visibleHeight = std::clamp(imageBottom, 0, client.height());

  // Background and hatch only where the image is not. They are drawn in device pixels: Qt keeps a
  // pattern's pixels at device size but rounds its origin to whole painter units, which would make
  // the hatch jump by two pixels at a ratio of 2.
  const QColor background = viewport()->palette().color(viewport()->backgroundRole());
  painter.save();
  if (ratio != 1.0) painter.scale(1.0 / ratio, 1.0 / ratio);
  const int hatchX = std::clamp(hatchLeft, 0, client.width());
  const int hatchY = std::clamp(hatchTop, 0, client.height());
  const QRect hatchRight(hatchX, 0, client.width() - hatchX, client.height());
  const QRect hatchBelow(0, hatchY, hatchX, client.height() - hatchY);
  // The plain background only in the seam between the image's last whole pixel and the hatch.
  painter.fillRect(QRect(visibleWidth, 0, hatchX - visibleWidth, hatchY), background);
  painter.fillRect(QRect(0, visibleHeight, visibleWidth, hatchY - visibleHeight), background);
  painter.setBrushOrigin(HatchPhase(scroll.x()), HatchPhase(scroll.y()));
  if (hatchTile_.isNull() || hatchTileBackground_ != background) {
    // The hatch over the background as one opaque tile: filling with it is a plain copy, where the
    // pattern brush blends every pixel (several times slower when the hatch fills the window).
    hatchTile_ = QImage(64, 64, QImage::Format_RGB32);
    hatchTile_.fill(background);
    QPainter tile(&hatchTile_);
    tile.fillRect(hatchTile_.rect(), QBrush(kHatchColour, Qt::DiagCrossPattern));
    hatchTileBackground_ = background;
  }
  const QBrush hatch(hatchTile_);
  if (!hatchRight.isEmpty()) painter.fillRect(hatchRight, hatch);
  if (!hatchBelow.isEmpty()) painter.fillRect(hatchBelow, hatch);
  painter.restore();

  if (visibleWidth <= 0 || visibleHeight <= 0) return;
  if (zoom_ == 1.0) {
    // One to one: straight from the display bitmap, which the image only wraps.
    QImage image(bitmap->bits(), w, h, static_cast<qsizetype>(bitmap->stride()), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(0, 0), image, QRectF(scroll.x(), scroll.y(), visibleWidth, visibleHeight));
    return;
  }
  if (cacheInvalid_ || cacheZoom_ != zoom_ || cacheScroll_ != scroll || cacheClient_ != client ||
      cacheRatio_ != ratio) {
    RebuildCache(*bitmap, client, scroll, ratio);
  }
  if (cacheInvalid_) {  // the cache could not be made
    painter.fillRect(QRectF(0, 0, visibleWidth / ratio, visibleHeight / ratio), background);
    return;
  }
  cache_.setDevicePixelRatio(ratio);
  painter.drawImage(QPointF(0, 0), cache_,
                    QRectF(scroll.x() - cacheLeft_, scroll.y() - cacheTop_, visibleWidth, visibleHeight));
}

void CTintaraView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CTintaraView::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace tintara
