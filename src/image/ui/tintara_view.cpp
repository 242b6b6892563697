#include "image/ui/tintara_view.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
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

// A click of the Zoom-in tool zooms by this (not 4/3: the tool has always used it).
constexpr double kZoomToolFactor = 1.33;
// A band smaller than this in both directions (device pixels) counts as a click.
constexpr int kBandClickSize = 8;

}  // namespace

CTintaraView::CTintaraView(CTintaraDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document) {
  // Every pixel of the viewport is painted on every paint (image, background or hatch), so Qt need
  // not clear it first: no flicker, and no wasted fill.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  // The interaction's drawing, cursors and tool tips follow the pointer without a button down.
  viewport()->setMouseTracking(true);
  zoomInCursor_ = ZoomCursor(true);
  zoomOutCursor_ = ZoomCursor(false);
  ShowCursorAt(QPoint(-1, -1));
  if (document_) {
    connect(document_, &CTintaraDoc::opened, this, [this] { OnUpdate(kHintFitAfterOpen); });
    connect(document_, &CTintaraDoc::pixelsChanged, this, [this] { OnUpdate(0); });
    connect(document_, &CTintaraDoc::imageTurned, this, &CTintaraView::OnImageTurned);
  }
}

CTintaraView::~CTintaraView() {
  // The interaction works on the view: it goes while the view is whole.
  interaction_.reset();
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

ViewMapping CTintaraView::Mapping() const {
  ViewMapping map;
  map.zoom = zoom_;
  map.scroll = ScrollPosition();
  map.imageWidth = ImageWidth();
  map.imageHeight = ImageHeight();
  return map;
}

QPointF CTintaraView::WindowToImage(QPointF windowPoint) const { return Mapping().ToImage(windowPoint); }

QPointF CTintaraView::ImageToWindow(QPointF imagePoint) const { return Mapping().ToWindow(imagePoint); }

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

void CTintaraView::paintEvent(QPaintEvent* event) {
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
  // Only the part to repaint is copied: while the outline moves that is its own area, so a handle
  // drag costs the same on a large photograph as on a small one.
  const QRect exposed = event->rect();
  const double left = std::max(0.0, std::floor(exposed.left() * ratio));
  const double top = std::max(0.0, std::floor(exposed.top() * ratio));
  const double right = std::min<double>(visibleWidth, std::ceil((exposed.right() + 1) * ratio));
  const double bottom = std::min<double>(visibleHeight, std::ceil((exposed.bottom() + 1) * ratio));
  if (zoom_ == 1.0) {
    // One to one: straight from the display bitmap, which the image only wraps.
    QImage image(bitmap->bits(), w, h, static_cast<qsizetype>(bitmap->stride()), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    if (right > left && bottom > top) {
      painter.drawImage(QPointF(left / ratio, top / ratio), image,
                        QRectF(scroll.x() + left, scroll.y() + top, right - left, bottom - top));
    }
  } else {
    if (cacheInvalid_ || cacheZoom_ != zoom_ || cacheScroll_ != scroll || cacheClient_ != client ||
        cacheRatio_ != ratio) {
      RebuildCache(*bitmap, client, scroll, ratio);
    }
    if (cacheInvalid_) {  // the cache could not be made
      painter.fillRect(QRectF(0, 0, visibleWidth / ratio, visibleHeight / ratio), background);
    } else if (right > left && bottom > top) {
      cache_.setDevicePixelRatio(ratio);
      painter.drawImage(QPointF(left / ratio, top / ratio), cache_,
                        QRectF(scroll.x() - cacheLeft_ + left, scroll.y() - cacheTop_ + top, right - left,
                               bottom - top));
    }
  }

  // The overlays, in device pixels like everything measured here.
  painter.save();
  if (ratio != 1.0) painter.scale(1.0 / ratio, 1.0 / ratio);
  const ViewMapping map = Mapping();
  PaintZoomBand(painter, band_, map);
  if (interaction_) interaction_->Paint(painter, map);
  painter.restore();
}

void CTintaraView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CTintaraView::scrollContentsBy(int, int) { viewport()->update(); }

// ---- tools ----

QPoint CTintaraView::DevicePoint(QPointF position) const {
  const double ratio = DeviceRatio();
  return QPoint(static_cast<int>(std::floor(position.x() * ratio)), static_cast<int>(std::floor(position.y() * ratio)));
}

void CTintaraView::RepaintDeviceRect(const QRect& rect) {
  if (rect.isEmpty()) return;
  const double ratio = DeviceRatio();
  if (ratio == 1.0) {
    viewport()->update(rect);
    return;
  }
  const int left = static_cast<int>(std::floor(rect.left() / ratio));
  const int top = static_cast<int>(std::floor(rect.top() / ratio));
  const int right = static_cast<int>(std::ceil((rect.right() + 1) / ratio));
  const int bottom = static_cast<int>(std::ceil((rect.bottom() + 1) / ratio));
  viewport()->update(QRect(QPoint(left, top), QPoint(right, bottom)));
}

void CTintaraView::UpdateBand() { RepaintDeviceRect(ZoomBandArea(band_, Mapping())); }

void CTintaraView::ClearBand() {
  UpdateBand();
  band_ = ZoomBand{};
}

void CTintaraView::CancelZoomBand() {
  if (band_.active) ClearBand();
  band_.armed = tool_ == ViewTool::kZoomIn;
}

void CTintaraView::SetInteraction(std::unique_ptr<ViewInteraction> interaction) {
  interaction_ = std::move(interaction);
  viewport()->update();
}

void CTintaraView::SetTool(ViewTool tool) {
  tool_ = tool;
  band_.armed = tool == ViewTool::kZoomIn;
  ShowCursorAt(viewport()->mapFromGlobal(QCursor::pos()));
}

void CTintaraView::OnToolCommand(ViewTool tool) {
  panning_ = false;
  if (interaction_) interaction_->ToolChosen(tool);
  ClearBand();
  SetTool(tool);
}

void CTintaraView::RequestTool(ViewTool tool) {
  OnToolCommand(tool);
  emit toolRequested(tool);
}

void CTintaraView::OnImageTurned(bool clockwise) {
  ClearBand();
  if (interaction_) interaction_->ImageTurned(clockwise);
  // The document's pixelsChanged after the turn repaints the view.
}

void CTintaraView::ShowCursorAt(QPoint devicePoint) {
  if (interaction_) {
    if (const std::optional<Qt::CursorShape> shape = interaction_->CursorAt(devicePoint)) {
      viewport()->setCursor(*shape);
      return;
    }
  }
  switch (tool_) {
    case ViewTool::kMove:
      viewport()->setCursor(panning_ ? Qt::SizeAllCursor : Qt::ArrowCursor);
      break;
    case ViewTool::kMark:
      viewport()->setCursor(Qt::CrossCursor);
      break;
    case ViewTool::kZoomIn:
      viewport()->setCursor(zoomInCursor_);
      break;
    case ViewTool::kZoomOut:
      viewport()->setCursor(zoomOutCursor_);
      break;
  }
}

void CTintaraView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  const QPoint device = DevicePoint(event->position());
  panning_ = false;
  if (!interaction_ || !interaction_->MousePress(device)) {
    switch (tool_) {
      case ViewTool::kMove:
        panPoint_ = device;
        panning_ = true;
        break;
      case ViewTool::kMark:
        break;
      case ViewTool::kZoomIn: {
        const QPointF p = Mapping().RoundedToImage(device);
        if (!band_.active) {
          band_.active = true;
          band_.start = p;
        }
        band_.end = p;
        UpdateBand();
        break;
      }
      case ViewTool::kZoomOut:
        ClearBand();
        break;
    }
  }
  ShowCursorAt(device);
}

void CTintaraView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint device = DevicePoint(event->position());
  const bool leftDown = (event->buttons() & Qt::LeftButton) != 0;
  if (interaction_ && interaction_->MouseMove(device, leftDown)) return;
  if (tool_ == ViewTool::kZoomIn && band_.active && leftDown) {
    const QRect before = ZoomBandArea(band_, Mapping());
    band_.end = Mapping().RoundedToImage(device);
    RepaintDeviceRect(before.united(ZoomBandArea(band_, Mapping())));
    return;
  }
  if (tool_ == ViewTool::kMove && panning_) {
    if (!leftDown) {
      panning_ = false;
      ShowCursorAt(device);
      return;
    }
    // The scroll bars hold the position between 0 and the zoomed image's extent past the window.
    const QPoint scroll = ScrollPosition() + panPoint_ - device;
    SetScrollPosition(scroll.x(), scroll.y());
    panPoint_ = device;
    return;
  }
  ShowCursorAt(device);
}

void CTintaraView::ZoomToBand(QPoint devicePoint) {
  band_.end = Mapping().RoundedToImage(devicePoint);
  UpdateBand();
  const ImageRect rect{std::min(band_.start.x(), band_.end.x()), std::min(band_.start.y(), band_.end.y()),
                       std::max(band_.start.x(), band_.end.x()), std::max(band_.start.y(), band_.end.y())};
  band_ = ZoomBand{};
  band_.armed = true;
  const double bandWidth = rect.right - rect.left;
  const double bandHeight = rect.bottom - rect.top;
  const QSize client = ClientSize();
  if (bandWidth * zoom_ < kBandClickSize && bandHeight * zoom_ < kBandClickSize) {
    ZoomToRect(zoom_ * kZoomToolFactor, rect);
  } else if (bandWidth > bandHeight) {
    ZoomToRect(client.width() / bandWidth, rect);
  } else {
    ZoomToRect(client.height() / bandHeight, rect);
  }
}

void CTintaraView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  const QPoint device = DevicePoint(event->position());
  // A release that ends the interaction's drag is not a click of the zoom tools.
  const bool taken = interaction_ && interaction_->MouseRelease(device);
  if (tool_ == ViewTool::kZoomIn && band_.active && !taken) {
    ZoomToBand(device);
  } else if (tool_ == ViewTool::kZoomIn) {
    ClearBand();
    band_.armed = true;
  } else if (tool_ == ViewTool::kZoomOut && !taken) {
    ClearBand();
    ZoomOutAt(device);
  }
  panning_ = false;
  ShowCursorAt(device);
}

void CTintaraView::keyPressEvent(QKeyEvent* event) {
  if (interaction_ && interaction_->KeyPress(*event)) {
    event->accept();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

bool CTintaraView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = interaction_ ? interaction_->ToolTipAt(DevicePoint(QPointF(help->pos()))) : QString();
    if (tip.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), tip, viewport());
    }
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

}  // namespace tintara
