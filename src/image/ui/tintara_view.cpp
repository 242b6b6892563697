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
#include "app/settings.h"
#include "base/result_codes.h"
#include "card/card_layout.h"
#include "card/previous_outline.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/view_zoom.h"

namespace tintara {

namespace {

// The cross-hatch around the image, in light grey over the view's own background.
const QColor kHatchColour(191, 191, 191);

// The hatch repeats every 8 device pixels; its origin is the content's origin, -scroll, taken modulo
// 8, so the hatch scrolls with the image.
int HatchPhase(int scroll) { return ((-scroll) % 8 + 8) % 8; }

// The one-time message after an outline is complete: how to adjust it and what comes next.
constexpr int kOutlineMarkedMessage = 40700;

// A click of the Zoom-in tool zooms by this (not 4/3: the tool has always used it).
constexpr double kZoomToolFactor = 1.33;
// A band smaller than this in both directions (device pixels) counts as a click.
constexpr int kBandClickSize = 8;

}  // namespace

CTintaraView::CTintaraView(CTintaraDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent),
      document_(document),
      selection_(std::make_unique<CardSelection>(static_cast<const CardSelectionHost&>(*this))) {
  // Every pixel of the viewport is painted on every paint (image, background or hatch), so Qt need
  // not clear it first: no flicker, and no wasted fill.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  // The rubber line, the hover cursor over the handles and the tool tips follow the pointer
  // without a button down.
  viewport()->setMouseTracking(true);
  zoomInCursor_ = ZoomCursor(true);
  zoomOutCursor_ = ZoomCursor(false);
  UpdateCursor(QPoint(-1, -1));
  if (document_) {
    connect(document_, &CTintaraDoc::opened, this, [this] { OnUpdate(kHintFitAfterOpen); });
    connect(document_, &CTintaraDoc::pixelsChanged, this, [this] { OnUpdate(0); });
    connect(document_, &CTintaraDoc::imageTurned, this, &CTintaraView::OnImageTurned);
  }
}

CTintaraView::~CTintaraView() = default;

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

CardModel CTintaraView::MarkingCardModel() const { return cardModel_; }

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
  PaintSelection(painter, *selection_, map, handleDrag_);
  if (!handleDrag_) PaintAreaLabels(painter, *selection_, markedAreas_, map);
  painter.restore();
}

void CTintaraView::SetMarkedAreas(std::vector<int> areaIndices) {
  UpdateOutline();  // the labels there before
  markedAreas_ = std::move(areaIndices);
  UpdateOutline();
}

void CTintaraView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CTintaraView::scrollContentsBy(int, int) { viewport()->update(); }

// ---- marking ----

ViewMapping CTintaraView::Mapping() const {
  ViewMapping map;
  map.zoom = zoom_;
  map.scroll = ScrollPosition();
  map.imageWidth = ImageWidth();
  map.imageHeight = ImageHeight();
  return map;
}

QPoint CTintaraView::DevicePoint(QPointF position) const {
  const double ratio = DeviceRatio();
  return QPoint(static_cast<int>(std::floor(position.x() * ratio)), static_cast<int>(std::floor(position.y() * ratio)));
}

PointD CTintaraView::ImagePoint(QPoint devicePoint) const {
  const QPointF p = WindowToImage(QPointF(devicePoint));
  return {p.x(), p.y()};
}

PointD CTintaraView::RoundedImagePoint(QPoint devicePoint) const {
  const PointD p = ImagePoint(devicePoint);
  return {std::round(p.x), std::round(p.y)};
}

void CTintaraView::UpdateDeviceRect(const QRect& rect) {
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

QRect CTintaraView::OutlineRect() const { return OutlineArea(*selection_, Mapping(), !markedAreas_.empty()); }

void CTintaraView::UpdateOutline() { UpdateDeviceRect(OutlineRect()); }

void CTintaraView::UpdateBand() { UpdateDeviceRect(ZoomBandArea(band_, Mapping())); }

void CTintaraView::ClearBand() {
  UpdateBand();
  band_ = ZoomBand{};
}

void CTintaraView::OutlineChanged() {
  markedAreas_.clear();
  emit selectionChanged();
}

void CTintaraView::RememberOutline() {
  if (const std::optional<PreviousOutline> outline = OutlineOf(*selection_, ImageWidth(), ImageHeight())) {
    Settings().SetPreviousOutline(FormatPreviousOutline(*outline));
  }
}

void CTintaraView::SetTool(ViewTool tool) {
  tool_ = tool;
  band_.armed = tool == ViewTool::kZoomIn;
  UpdateCursor(viewport()->mapFromGlobal(QCursor::pos()));
}

void CTintaraView::ApplyToolCommand(ViewTool tool) {
  ClearBand();
  SetTool(tool);
  if (selection_->InProgress()) {
    UpdateOutline();
    selection_->Reset();
    OutlineChanged();
  }
}

void CTintaraView::OnToolCommand(ViewTool tool) {
  if (handleDrag_) EndHandleDrag();
  panning_ = false;
  ApplyToolCommand(tool);
}

void CTintaraView::OnChooseCardModel(CardModel model) {
  if (handleDrag_) EndHandleDrag();
  panning_ = false;
  cardModel_ = model;
  ClearBand();
  SetTool(ViewTool::kMark);
  UpdateOutline();
  if (selection_->Complete()) {
    // The corners and Turned stay; the areas are those of the new model.
    if (selection_->CreateHandles() == kSelectionIncomplete) {
      selection_->Reset();
    } else {
      selection_->Relayout();
      RememberOutline();
    }
  } else if (selection_->InProgress()) {
    selection_->Reset();
  }
  UpdateOutline();
  OutlineChanged();
}

void CTintaraView::OnUnmark() {
  if (handleDrag_) {
    handleDrag_ = false;
    draggedCorner_ = 4;
  }
  if (selection_->InProgress() || selection_->Complete()) {
    UpdateOutline();
    selection_->Reset();
    OutlineChanged();
  }
  if (band_.active) ClearBand();
  band_.armed = tool_ == ViewTool::kZoomIn;
}

void CTintaraView::OnTurnSelection() {
  if (!selection_->Complete() || handleDrag_) return;
  UpdateOutline();
  selection_->TurnHalf();
  UpdateOutline();
  RememberOutline();
  OutlineChanged();
}

void CTintaraView::OnImageTurned(bool clockwise) {
  if (handleDrag_) {
    handleDrag_ = false;
    draggedCorner_ = 4;
  }
  ClearBand();
  if (selection_->Complete()) {
    if (clockwise) {
      selection_->RotateClockwise();
    } else {
      selection_->RotateCounterClockwise();
    }
    OutlineChanged();
  } else if (selection_->InProgress()) {
    // Two corners on the unturned image would lead the third press astray.
    selection_->Reset();
    OutlineChanged();
  }
  // The document's pixelsChanged after the turn repaints the view.
}

bool CTintaraView::CanPlaceOutline(const PreviousOutline& outline) const {
  return outline.imageWidth == ImageWidth() && outline.imageHeight == ImageHeight() && ImageWidth() > 0;
}

bool CTintaraView::PlaceOutline(const PreviousOutline& outline) {
  if (!CanPlaceOutline(outline)) return false;
  if (handleDrag_) EndHandleDrag();
  UpdateOutline();
  const bool placed = selection_->Place(outline.corners, outline.turned) != kSelectionIncomplete;
  UpdateOutline();
  OutlineChanged();
  if (!placed) return false;
  ApplyToolCommand(ViewTool::kMove);
  emit toolRequested(ViewTool::kMove);
  return true;
}

void CTintaraView::EndHandleDrag() {
  handleDrag_ = false;
  draggedCorner_ = 4;
  selection_->Relayout();
  UpdateOutline();
  RememberOutline();
  OutlineChanged();
}

QString CTintaraView::AreaTipAt(QPoint devicePoint) const {
  const CardLayout* layout = selection_->Layout();
  if (tool_ != ViewTool::kMove || !selection_->Complete() || !layout || handleDrag_) return {};
  const int at = layout->AreaAt(ImagePoint(devicePoint));
  if (at < 0) return {};
  const ColorArea& area = layout->areas[static_cast<size_t>(at)];
  const QString name = tr("Area %1").arg(area.index + 1);
  // A fresh layout holds no measurement; Create Profile measures every area.
  if (area.pixelCount == 0 && area.Valid && !area.Unreliable) return tr("%1: not measured yet").arg(name);
  const QString state = !area.Valid ? tr("invalid") : area.Unreliable ? tr("unreliable") : tr("valid");
  return tr("%1: %2\n%3 pixels\nMean colour R %4, G %5, B %6")
      .arg(name, state)
      .arg(area.pixelCount)
      .arg(area.mean[0])
      .arg(area.mean[1])
      .arg(area.mean[2]);
}

void CTintaraView::UpdateCursor(QPoint devicePoint) {
  const int handle = HandleAt(*selection_, devicePoint, Mapping());
  const int corner = handleDrag_ ? draggedCorner_ : handle;
  if (corner >= 0 && corner < 4) {
    viewport()->setCursor(corner == 0 || corner == 2 ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    return;
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
  if (handleDrag_) EndHandleDrag();
  panning_ = false;

  // A handle takes the press whatever the tool: the outline is adjusted the same way with each.
  const int handle = HandleAt(*selection_, device, Mapping());
  if (handle >= 0) {
    handleDrag_ = true;
    draggedCorner_ = handle;
    UpdateOutline();  // the areas go while the corner moves
    UpdateCursor(device);
    return;
  }

  switch (tool_) {
    case ViewTool::kMove:
      panPoint_ = device;
      panning_ = true;
      break;
    case ViewTool::kMark: {
      if (selection_->Complete()) {
        UpdateOutline();
        selection_->Reset();
        OutlineChanged();
      }
      const PointD p = ImagePoint(device);
      // The last column and row cannot start an area; a press there, or past the image, is ignored.
      if (p.x < ImageWidth() - 1 && p.y < ImageHeight() - 1) {
        selection_->AddCorner(p.x, p.y);
        selection_->SetRubberPoint(p);
        UpdateOutline();
        if (selection_->Complete()) {
          RememberOutline();
          OutlineChanged();
          ApplyToolCommand(ViewTool::kMove);
          emit toolRequested(ViewTool::kMove);
          AppMessages().ShowOnce(kOutlineMarkedMessage, false);
        }
      }
      break;
    }
    case ViewTool::kZoomIn: {
      const PointD p = RoundedImagePoint(device);
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
  UpdateCursor(device);
}

void CTintaraView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint device = DevicePoint(event->position());
  const bool leftDown = (event->buttons() & Qt::LeftButton) != 0;
  if (handleDrag_ && selection_->Complete()) {
    if (!leftDown) {
      EndHandleDrag();
      UpdateCursor(device);
      return;
    }
    PointD p = RoundedImagePoint(device);
    // The corner may reach the image's right and bottom edges; the image ends there and at 0.
    p.x = std::clamp(p.x, 0.0, static_cast<double>(ImageWidth()));
    p.y = std::clamp(p.y, 0.0, static_cast<double>(ImageHeight()));
    const QRect before = OutlineRect();
    selection_->SetCorner(draggedCorner_, p.x, p.y);
    UpdateDeviceRect(before.united(OutlineRect()));
    return;
  }
  if (tool_ == ViewTool::kMark && selection_->InProgress()) {
    PointD p = RoundedImagePoint(device);
    if (p.x >= ImageWidth()) p.x = ImageWidth() - 1;
    if (p.y >= ImageHeight()) p.y = ImageHeight() - 1;
    const QRect before = OutlineRect();
    selection_->SetRubberPoint(p);
    UpdateDeviceRect(before.united(OutlineRect()));
    return;
  }
  if (tool_ == ViewTool::kZoomIn && band_.active && leftDown) {
    const QRect before = ZoomBandArea(band_, Mapping());
    band_.end = RoundedImagePoint(device);
    UpdateDeviceRect(before.united(ZoomBandArea(band_, Mapping())));
    return;
  }
  if (tool_ == ViewTool::kMove && panning_) {
    if (!leftDown) {
      panning_ = false;
      UpdateCursor(device);
      return;
    }
    // The scroll bars hold the position between 0 and the zoomed image's extent past the window.
    const QPoint scroll = ScrollPosition() + panPoint_ - device;
    SetScrollPosition(scroll.x(), scroll.y());
    panPoint_ = device;
    return;
  }
  UpdateCursor(device);
}

void CTintaraView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  const QPoint device = DevicePoint(event->position());
  if (tool_ == ViewTool::kZoomIn && band_.active && !handleDrag_) {
    band_.end = RoundedImagePoint(device);
    UpdateBand();
    const ImageRect rect{std::min(band_.start.x, band_.end.x), std::min(band_.start.y, band_.end.y),
                         std::max(band_.start.x, band_.end.x), std::max(band_.start.y, band_.end.y)};
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
    UpdateCursor(device);
    return;
  }
  if (tool_ == ViewTool::kZoomIn) {
    ClearBand();
    band_.armed = true;
  } else if (tool_ == ViewTool::kZoomOut && !handleDrag_) {
    ClearBand();
    ZoomOutAt(device);
  }
  if (handleDrag_) EndHandleDrag();
  panning_ = false;
  UpdateCursor(device);
}

void CTintaraView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    OnUnmark();
    event->accept();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

bool CTintaraView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = AreaTipAt(DevicePoint(QPointF(help->pos())));
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
