#include "platform/device_context.h"

#include <QColor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QScreen>
#include <QtMath>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <utility>

namespace {

constexpr double kPi = std::numbers::pi;

// Drawing coordinates are kept far inside int range so that no arithmetic on them overflows
// and a wild coordinate cannot make a line walk for ever.
constexpr int kCoordLimit = 1 << 15;

int ClampCoord(long long v) {
  return static_cast<int>(std::clamp<long long>(v, -kCoordLimit, kCoordLimit));
}

bool IsDirectImage(const QImage* image) {
  return image != nullptr && !image->isNull() && image->depth() == 32;
}

// The dot and dash patterns of styled pens, in pen widths: lengths of on and off runs.
bool PatternOn(int style, int counter, int scale) {
  int unit = std::max(1, scale);
  switch (style) {
    case PS_DOT:
      return (counter / (3 * unit)) % 2 == 0;
    case PS_DASH:
      return counter % (24 * unit) < 18 * unit;
    default:
      return true;
  }
}

QFont ToDrawFont(const DcFont& f) {
  QFont font = f.ToQFont();
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

}  // namespace

QColor ColorFromRef(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

COLORREF RefFromColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

uint32_t PixelFromRef(COLORREF c) {
  return 0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) |
         (static_cast<uint32_t>(GetGValue(c)) << 8) | static_cast<uint32_t>(GetBValue(c));
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long product = static_cast<long long>(number) * numerator;
  long long q = product / denominator;
  long long r = product % denominator;
  if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(denominator))) {
    q += ((product < 0) != (denominator < 0)) ? -1 : 1;
  }
  if (q > std::numeric_limits<int>::max() || q < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(q);
}

DcFont DcFont::Create(int height, int escapement, int weight, const QString& face) {
  DcFont f;
  f.height = height;
  f.escapement = escapement;
  f.weight = weight;
  f.face = face;
  return f;
}

DcFont DcFont::FromPoints(int points, int weight, int escapement, const QString& face) {
  return Create(-MulDiv(points, ScreenPixelsPerInchY(), 72), escapement, weight, face);
}

QFont DcFont::ToQFont() const {
  QFont font;
  if (!face.isEmpty()) font.setFamily(face);
  int pixels = std::abs(height);
  font.setPixelSize(pixels > 0 ? pixels : 13);
  font.setWeight(static_cast<QFont::Weight>(std::clamp(weight == 0 ? 400 : weight, 1, 1000)));
  font.setItalic(italic);
  font.setUnderline(underline);
  return font;
}

DcBitmap DcBitmap::Create(int width, int height, int scale) {
  DcBitmap b;
  b.m_nScale = std::max(scale, 1);
  b.m_image = std::make_shared<QImage>(std::max(width, 1) * b.m_nScale,
                                       std::max(height, 1) * b.m_nScale, QImage::Format_RGB32);
  b.m_image->fill(0xFF000000u);
  return b;
}

DcRegion DcRegion::CreatePolygonRgn(const QPoint* points, int count, int fillMode) {
  DcRegion r;
  r.points.assign(points, points + std::max(count, 0));
  r.fillMode = fillMode;
  return r;
}

DcPen GetStockPen(int id) {
  switch (id) {
    case WHITE_PEN:
      return DcPen::Create(PS_SOLID, 0, RGB(255, 255, 255));
    case NULL_PEN:
      return DcPen::Create(PS_NULL, 0, 0);
    default:
      return DcPen::Create(PS_SOLID, 0, 0);
  }
}

DcBrush GetStockBrush(int id) {
  switch (id) {
    case WHITE_BRUSH:
      return DcBrush::Solid(RGB(255, 255, 255));
    case LTGRAY_BRUSH:
      return DcBrush::Solid(RGB(192, 192, 192));
    case GRAY_BRUSH:
      return DcBrush::Solid(RGB(128, 128, 128));
    case DKGRAY_BRUSH:
      return DcBrush::Solid(RGB(64, 64, 64));
    case BLACK_BRUSH:
      return DcBrush::Solid(0);
    default:
      return DcBrush::Hollow();
  }
}

int ScreenPixelsPerInchY() {
  if (qGuiApp != nullptr && QGuiApplication::primaryScreen() != nullptr) {
    return qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY());
  }
  return 96;
}

int ScreenPixelsPerInchX() {
  if (qGuiApp != nullptr && QGuiApplication::primaryScreen() != nullptr) {
    return qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchX());
  }
  return 96;
}

struct DeviceContext::Impl {
  enum Kind { kImage, kDevice, kPainter, kMemory };
  Kind kind = kMemory;
  QImage* image = nullptr;         // kImage target
  QPaintDevice* device = nullptr;  // kDevice target
  QPainter* borrowed = nullptr;    // kPainter target
  std::unique_ptr<QPainter> own;   // painter opened by us (on the device or an image)
  QImage* paintedImage = nullptr;  // the image `own` is open on
  QTransform base;                 // the caller's transform of a borrowed painter
  struct Edge {
    int y0, y1;    // rows y0 … y1 − 1 cross this edge
    double x;      // crossing at row y0's centre
    double slope;  // x per row
    int dir;       // +1 downward, −1 upward, for the winding count
  };
  std::vector<Edge> edges;                        // reused by polygon filling
  std::vector<std::pair<double, int>> crossings;  // reused by polygon filling
  std::vector<double> downSide, upSide;           // per-row crossings of two-sided polygons
  // Drawing behind: one bit per pixel of `behindImage`, set once the pixel is painted.
  QImage* behindImage = nullptr;
  std::vector<uint64_t> behindMask;
  int behindWords = 0;  // mask words per row
  // Line pixels held back while drawing behind, so that an outline can be laid down in reverse.
  struct Plot {
    int x, y, size;
    uint32_t pixel;
  };
  std::vector<Plot> plots;
  int deferring = 0;
};

DeviceContext::DeviceContext() : m_impl(std::make_unique<Impl>()) {
  m_dpiX = ScreenPixelsPerInchX();
  m_dpiY = ScreenPixelsPerInchY();
}

DeviceContext::DeviceContext(QImage* image) : DeviceContext() {
  m_impl->kind = Impl::kImage;
  m_impl->image = image;
  if (image != nullptr && !image->isNull()) {
    m_nPixelScale = std::max(1, qRound(image->devicePixelRatio()));
    m_nRefScale = m_nPixelScale;
    m_dpiX = qRound(image->dotsPerMeterX() * 0.0254);
    m_dpiY = qRound(image->dotsPerMeterY() * 0.0254);
  }
}

DeviceContext::DeviceContext(QPaintDevice* device) : DeviceContext() {
  m_impl->kind = Impl::kDevice;
  m_impl->device = device;
  if (device != nullptr) {
    m_nRefScale = std::max(1, qCeil(device->devicePixelRatio()));
    m_dpiX = device->logicalDpiX();
    m_dpiY = device->logicalDpiY();
    m_impl->own = std::make_unique<QPainter>(device);
  }
}

DeviceContext::DeviceContext(QPainter* painter) : DeviceContext() {
  m_impl->kind = Impl::kPainter;
  m_impl->borrowed = painter;
  if (painter != nullptr && painter->device() != nullptr) {
    m_nRefScale = std::max(1, qCeil(painter->device()->devicePixelRatio()));
    m_dpiX = painter->device()->logicalDpiX();
    m_dpiY = painter->device()->logicalDpiY();
    painter->save();
    m_impl->base = painter->transform();
  }
}

DeviceContext::~DeviceContext() {
  Flush();
  if (m_impl->own) m_impl->own->end();
  if (m_impl->borrowed != nullptr) m_impl->borrowed->restore();
}

std::unique_ptr<DeviceContext> DeviceContext::CreateCompatibleDC(const DeviceContext* ref) {
  std::unique_ptr<DeviceContext> dc(new DeviceContext());
  dc->m_impl->kind = Impl::kMemory;
  if (ref != nullptr) {
    dc->m_dpiX = ref->m_dpiX;
    dc->m_dpiY = ref->m_dpiY;
    dc->m_nRefScale = ref->DevicePixelScale();
  }
  return dc;
}

DcBitmap DeviceContext::CreateCompatibleBitmap(int width, int height) const {
  DcBitmap b = DcBitmap::Create(width, height, m_nRefScale);
  b.Image()->setDotsPerMeterX(qRound(m_dpiX / 0.0254));
  b.Image()->setDotsPerMeterY(qRound(m_dpiY / 0.0254));
  return b;
}

bool DeviceContext::BeginDrawBehind() {
  QImage* image = TargetImage();
  if (!IsDirectImage(image)) return false;
  Flush();
  auto& impl = *m_impl;
  impl.behindImage = image;
  impl.behindWords = (image->width() + 63) / 64;
  impl.behindMask.assign(static_cast<size_t>(impl.behindWords) * image->height(), 0);
  return true;
}

void DeviceContext::EndDrawBehind() {
  m_impl->behindImage = nullptr;
  m_impl->deferring = 0;
  m_impl->plots.clear();
}

bool DeviceContext::IsDrawingBehind() const {
  return m_impl->behindImage != nullptr && m_impl->behindImage == TargetImage();
}

QImage* DeviceContext::TargetImage() const {
  switch (m_impl->kind) {
    case Impl::kImage:
      return m_impl->image;
    case Impl::kMemory:
      return m_bitmap.Image();
    default:
      return nullptr;
  }
}

void DeviceContext::Flush() const {
  if (m_impl->paintedImage != nullptr) {
    m_impl->own->end();
    m_impl->own.reset();
    m_impl->paintedImage = nullptr;
  }
}

DcPen DeviceContext::SelectPen(const DcPen& pen) {
  DcPen old = m_pen;
  m_pen = pen;
  return old;
}

DcBrush DeviceContext::SelectBrush(const DcBrush& brush) {
  DcBrush old = m_brush;
  m_brush = brush;
  return old;
}

DcFont DeviceContext::SelectFont(const DcFont& font) {
  DcFont old = m_font;
  m_font = font;
  return old;
}

DcBitmap DeviceContext::SelectBitmap(const DcBitmap& bitmap) {
  if (m_impl->kind != Impl::kMemory) return DcBitmap();
  Flush();
  DcBitmap old = m_bitmap;
  m_bitmap = bitmap;
  m_nPixelScale = bitmap.IsNull() ? 1 : bitmap.Scale();
  return old;
}

COLORREF DeviceContext::SetTextColor(COLORREF c) { return std::exchange(m_textColor, c); }
COLORREF DeviceContext::SetBkColor(COLORREF c) { return std::exchange(m_bkColor, c); }
int DeviceContext::SetBkMode(int mode) { return std::exchange(m_bkMode, mode); }
int DeviceContext::SetTextAlign(int align) { return std::exchange(m_textAlign, align); }
int DeviceContext::SetPolyFillMode(int mode) { return std::exchange(m_fillMode, mode); }

int DeviceContext::SetMapMode(int mode) {
  int old = m_mapMode;
  m_mapMode = mode;
  if (mode != MM_ANISOTROPIC) {
    m_viewportExt = QSize(1, 1);
    m_windowExt = QSize(1, 1);
  }
  return old;
}

QSize DeviceContext::SetViewportExt(int cx, int cy) {
  QSize old = m_viewportExt;
  if (m_mapMode == MM_ANISOTROPIC && cx != 0 && cy != 0) m_viewportExt = QSize(cx, cy);
  return old;
}

QPoint DeviceContext::SetViewportOrg(int x, int y) {
  return std::exchange(m_viewportOrg, QPoint(x, y));
}

QPoint DeviceContext::LPtoDP(QPoint p) const {
  long long x = static_cast<long long>(p.x()) - m_windowOrg.x();
  long long y = static_cast<long long>(p.y()) - m_windowOrg.y();
  if (m_viewportExt.width() != m_windowExt.width()) {
    x = static_cast<long long>(
        std::llround(static_cast<double>(x) * m_viewportExt.width() / m_windowExt.width()));
  }
  if (m_viewportExt.height() != m_windowExt.height()) {
    y = static_cast<long long>(
        std::llround(static_cast<double>(y) * m_viewportExt.height() / m_windowExt.height()));
  }
  return QPoint(ClampCoord(x + m_viewportOrg.x()), ClampCoord(y + m_viewportOrg.y()));
}

QPoint DeviceContext::ToPixel(QPoint p) const {
  const QPoint d = LPtoDP(p);
  return m_nPixelScale == 1 ? d : d * m_nPixelScale;
}

int DeviceContext::GetPixelsPerInchX() const { return m_dpiX; }
int DeviceContext::GetPixelsPerInchY() const { return m_dpiY; }

// ---- helpers shared by the operations -------------------------------------------------------

struct DeviceContextAccess {
  const DeviceContext& dc;

  double ScaleX() const {
    return std::abs(static_cast<double>(dc.m_viewportExt.width()) / dc.m_windowExt.width());
  }
  double ScaleY() const {
    return std::abs(static_cast<double>(dc.m_viewportExt.height()) / dc.m_windowExt.height());
  }
  // A one-pixel pen stays one pixel on a dense screen, the thinnest line it can show; wider pens
  // keep their proportion.
  int PenDeviceWidth() const {
    if (dc.m_pen.width <= 0) return 1;
    const int w = std::max(1, static_cast<int>(std::lround(dc.m_pen.width * ScaleX())));
    return w > 1 ? w * dc.m_nPixelScale : 1;
  }
  // The image drawn into pixel by pixel, or null when a painter must do it.
  QImage* Direct() const {
    QImage* image = dc.TargetImage();
    if (!IsDirectImage(image)) return nullptr;
    dc.Flush();
    return image;
  }
  // A painter for the target with a neutral state (device coordinates, no antialiasing), or
  // null when there is nothing to draw into.
  QPainter* Painter() const {
    auto& impl = *dc.m_impl;
    QPainter* p = nullptr;
    if (impl.kind == DeviceContext::Impl::kDevice) {
      p = impl.own.get();
    } else if (impl.kind == DeviceContext::Impl::kPainter) {
      p = impl.borrowed;
    } else {
      QImage* image = dc.TargetImage();
      if (image == nullptr || image->isNull()) return nullptr;
      if (impl.paintedImage != image) {
        dc.Flush();
        impl.own = std::make_unique<QPainter>(image);
        impl.paintedImage = image;
      }
      p = impl.own.get();
    }
    if (p == nullptr || !p->isActive()) return nullptr;
    p->setTransform(impl.base);
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setRenderHint(QPainter::TextAntialiasing, false);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    return p;
  }
  bool Ready() const {
    QImage* image = dc.TargetImage();
    switch (dc.m_impl->kind) {
      case DeviceContext::Impl::kImage:
      case DeviceContext::Impl::kMemory:
        return image != nullptr && !image->isNull();
      case DeviceContext::Impl::kDevice:
        return dc.m_impl->own && dc.m_impl->own->isActive();
      default:
        return dc.m_impl->borrowed != nullptr && dc.m_impl->borrowed->isActive();
    }
  }

  // The painted-pixel bits of row y while drawing behind into image, else null.
  uint64_t* BehindRow(const QImage* image, int y) const {
    auto& impl = *dc.m_impl;
    if (impl.behindImage != image || image == nullptr) return nullptr;
    return impl.behindMask.data() + static_cast<size_t>(y) * impl.behindWords;
  }
  // Paints x0..x1−1 of row y (already clipped to the image), skipping pixels painted behind.
  void FillSpan(QImage* image, uint32_t* row, int y, int x0, int x1, uint32_t pixel) const {
    if (x1 <= x0) return;
    uint64_t* mask = BehindRow(image, y);
    if (mask == nullptr) {
      std::fill(row + x0, row + x1, pixel);
      return;
    }
    for (int x = x0; x < x1;) {
      const int word = x >> 6, bit = x & 63;
      const int end = std::min(x1, (word + 1) << 6);
      const int len = end - x;
      const uint64_t span = len == 64 ? ~uint64_t{0} : ((uint64_t{1} << len) - 1) << bit;
      uint64_t fresh = span & ~mask[word];
      if (fresh == span) {
        std::fill(row + x, row + end, pixel);
      } else {
        for (uint64_t f = fresh; f != 0; f &= f - 1) row[(word << 6) + std::countr_zero(f)] = pixel;
      }
      mask[word] |= fresh;
      x = end;
    }
  }
  void Put(QImage* image, int x, int y, uint32_t pixel) const {
    if (x < 0 || y < 0 || x >= image->width() || y >= image->height()) return;
    FillSpan(image, reinterpret_cast<uint32_t*>(image->scanLine(y)), y, x, x + 1, pixel);
  }
  void PutBlock(QImage* image, int x, int y, int size, uint32_t pixel) const {
    if (size <= 1) {
      Put(image, x, y, pixel);
      return;
    }
    int x0 = x - (size - 1) / 2;
    int y0 = y - (size - 1) / 2;
    FillSpanRect(image, x0, y0, x0 + size, y0 + size, pixel);
  }
  void FillSpanRect(QImage* image, int x0, int y0, int x1, int y1, uint32_t pixel) const {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, image->width());
    y1 = std::min(y1, image->height());
    for (int y = y0; y < y1; ++y) {
      FillSpan(image, reinterpret_cast<uint32_t*>(image->scanLine(y)), y, x0, x1, pixel);
    }
  }
  // A line pixel (or pen block), held back while an outline is being recorded.
  void Plot(QImage* image, int x, int y, int size, uint32_t pixel) const {
    if (dc.m_impl->deferring > 0) {
      dc.m_impl->plots.push_back(DeviceContext::Impl::Plot{x, y, size, pixel});
      return;
    }
    PutBlock(image, x, y, size, pixel);
  }
  // Outlines drawn behind are recorded and laid down last pixel first, so that where the
  // outline crosses itself the pixel painted last in forward order is the one that stays.
  // Only a styled pen over an opaque background paints two colours; with one colour the
  // order within the outline cannot matter, and nothing is held back.
  void BeginOutline() const {
    auto& impl = *dc.m_impl;
    if (impl.behindImage == nullptr) return;
    if (impl.deferring == 0 && (dc.m_pen.style == PS_SOLID || dc.m_bkMode != OPAQUE)) return;
    if (impl.deferring++ == 0) impl.plots.clear();
  }
  void EndOutline() const {
    auto& impl = *dc.m_impl;
    if (impl.behindImage == nullptr || impl.deferring == 0 || --impl.deferring > 0) return;
    QImage* image = Direct();
    if (image == nullptr) return;
    for (auto it = impl.plots.rbegin(); it != impl.plots.rend(); ++it) {
      PutBlock(image, it->x, it->y, it->size, it->pixel);
    }
    impl.plots.clear();
  }

  // A line in device pixels from a to b, b itself not painted, in the current pen.
  void DeviceLine(QPoint a, QPoint b, int& styleCounter) const {
    const DcPen& pen = dc.m_pen;
    if (pen.style == PS_NULL || a == b) return;
    int width = PenDeviceWidth();
    if (QImage* image = Direct()) {
      uint32_t on = PixelFromRef(pen.color);
      uint32_t off = PixelFromRef(dc.m_bkColor);
      bool fillGaps = dc.m_bkMode == OPAQUE && pen.style != PS_SOLID;
      int dx = std::abs(b.x() - a.x()), sx = a.x() < b.x() ? 1 : -1;
      int dy = -std::abs(b.y() - a.y()), sy = a.y() < b.y() ? 1 : -1;
      int err = dx + dy;
      int x = a.x(), y = a.y();
      while (x != b.x() || y != b.y()) {
        if (PatternOn(pen.style, styleCounter, width)) {
          Plot(image, x, y, width, on);
        } else if (fillGaps) {
          Plot(image, x, y, width, off);
        }
        ++styleCounter;
        int e2 = 2 * err;
        if (e2 >= dy) {
          if (x == b.x()) break;
          err += dy;
          x += sx;
        }
        if (e2 <= dx) {
          if (y == b.y()) break;
          err += dx;
          y += sy;
        }
      }
      return;
    }
    QPainter* p = Painter();
    if (p == nullptr) return;
    QPen qpen(ColorFromRef(pen.color));
    qpen.setWidth(width <= 1 ? 0 : width);
    qpen.setCapStyle(Qt::FlatCap);
    if (pen.style == PS_DOT) qpen.setDashPattern({3.0, 3.0});
    if (pen.style == PS_DASH) qpen.setDashPattern({18.0, 6.0});
    p->setPen(qpen);
    p->drawLine(a, b);
    int steps = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
    styleCounter += steps;
  }

  // ceil(v) for |v| well inside int range, without the library call.
  static int CeilToInt(double v) {
    int t = static_cast<int>(v);
    return t + (static_cast<double>(t) < v ? 1 : 0);
  }
  // Paints the pixels of a row whose centres lie between the crossings a <= b.
  void FillRowSpan(QImage* image, uint32_t* row, int y, double a, double b, int width,
                   uint32_t pixel) const {
    int x0 = std::max(CeilToInt(a - 0.5), 0);
    int x1 = std::min(CeilToInt(b - 0.5), width);
    FillSpan(image, row, y, x0, x1, pixel);
  }

  // A polygon whose outline runs down once and up once (every convex one, and the twisted
  // quadrilaterals of curtains) has exactly one crossing of each side on every row it spans, so
  // the inside of a row is the span between them under either fill rule: no sorting, no winding
  // count. The crossings are computed as the general fill computes them, so the pixels are the
  // same. Returns false, having drawn nothing, for any other outline.
  bool FillTwoSidedPolygon(QImage* image, const QPoint* pts, size_t n, uint32_t pixel) const {
    int changes = 0, first = 0, previous = 0;
    int ymin = std::numeric_limits<int>::max(), ymax = std::numeric_limits<int>::min();
    for (size_t i = 0; i < n; ++i) {
      int dy = pts[i + 1 < n ? i + 1 : 0].y() - pts[i].y();
      ymin = std::min(ymin, pts[i].y());
      ymax = std::max(ymax, pts[i].y());
      if (dy == 0) continue;
      int sign = dy > 0 ? 1 : -1;
      if (first == 0) {
        first = sign;
      } else if (sign != previous) {
        ++changes;
      }
      previous = sign;
    }
    if (first == 0) return true;  // flat: no pixel centre is inside
    if (previous != first) ++changes;
    if (changes != 2) return false;
    const int top = std::max(ymin, 0);
    const int bottom = std::min(ymax, image->height());
    if (top >= bottom) return true;
    auto& down = dc.m_impl->downSide;
    auto& up = dc.m_impl->upSide;
    const size_t rows = static_cast<size_t>(bottom - top);
    if (down.size() < rows) {
      down.resize(rows);
      up.resize(rows);
    }
    for (size_t i = 0; i < n; ++i) {
      const QPoint& a = pts[i];
      const QPoint& b = pts[i + 1 < n ? i + 1 : 0];
      if (a.y() == b.y()) continue;
      const QPoint& lo = a.y() < b.y() ? a : b;
      const QPoint& hi = a.y() < b.y() ? b : a;
      double slope = static_cast<double>(hi.x() - lo.x()) / (hi.y() - lo.y());
      double x = lo.x() + 0.5 * slope;
      double* side = (b.y() > a.y() ? down.data() : up.data()) - top;
      const int y1 = std::min(hi.y(), bottom);
      for (int y = std::max(lo.y(), top); y < y1; ++y) side[y] = x + (y - lo.y()) * slope;
    }
    uchar* bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    const int width = image->width();
    for (int y = top; y < bottom; ++y) {
      double a = down[static_cast<size_t>(y - top)];
      double b = up[static_cast<size_t>(y - top)];
      uint32_t* row = reinterpret_cast<uint32_t*>(bits + stride * y);
      if (a <= b) {
        FillRowSpan(image, row, y, a, b, width, pixel);
      } else {
        FillRowSpan(image, row, y, b, a, width, pixel);
      }
    }
    return true;
  }

  // Fills a polygon given in device pixels: pixels whose centres lie inside by the fill rule.
  void FillDevicePolygon(const QPoint* pts, size_t n, int fillMode, COLORREF color) const {
    if (n < 3) return;
    if (QImage* image = Direct()) {
      uint32_t pixel = PixelFromRef(color);
      if (FillTwoSidedPolygon(image, pts, n, pixel)) return;
      auto& edges = dc.m_impl->edges;
      auto& crossings = dc.m_impl->crossings;
      edges.clear();
      int ymin = std::numeric_limits<int>::max(), ymax = std::numeric_limits<int>::min();
      for (size_t i = 0; i < n; ++i) {
        const QPoint& a = pts[i];
        const QPoint& b = pts[i + 1 < n ? i + 1 : 0];
        if (a.y() == b.y()) continue;
        const QPoint& lo = a.y() < b.y() ? a : b;
        const QPoint& hi = a.y() < b.y() ? b : a;
        // Rows whose centre y + ½ lies in [lo.y, hi.y): exactly lo.y … hi.y − 1.
        double slope = static_cast<double>(hi.x() - lo.x()) / (hi.y() - lo.y());
        edges.push_back(DeviceContext::Impl::Edge{lo.y(), hi.y(), lo.x() + 0.5 * slope, slope,
                                                  b.y() > a.y() ? 1 : -1});
        ymin = std::min(ymin, lo.y());
        ymax = std::max(ymax, hi.y());
      }
      if (edges.empty()) return;
      ymin = std::max(ymin, 0);
      ymax = std::min(ymax, image->height());
      uchar* bits = image->bits();
      const qsizetype stride = image->bytesPerLine();
      const int width = image->width();
      for (int y = ymin; y < ymax; ++y) {
        crossings.clear();
        for (const auto& e : edges) {
          if (y < e.y0 || y >= e.y1) continue;
          crossings.emplace_back(e.x + (y - e.y0) * e.slope, e.dir);
        }
        // Few crossings per row: insertion sort beats the general sort here.
        for (size_t i = 1; i < crossings.size(); ++i) {
          auto c = crossings[i];
          size_t j = i;
          for (; j > 0 && crossings[j - 1].first > c.first; --j) crossings[j] = crossings[j - 1];
          crossings[j] = c;
        }
        uint32_t* row = reinterpret_cast<uint32_t*>(bits + stride * y);
        int winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
          winding += fillMode == WINDING ? crossings[i].second : 1;
          bool inside = fillMode == WINDING ? winding != 0 : (winding % 2) != 0;
          if (!inside) continue;
          FillRowSpan(image, row, y, crossings[i].first, crossings[i + 1].first, width, pixel);
        }
      }
      return;
    }
    QPainter* p = Painter();
    if (p == nullptr) return;
    p->setPen(Qt::NoPen);
    p->setBrush(ColorFromRef(color));
    QPolygon poly(static_cast<int>(n));
    for (size_t i = 0; i < n; ++i) poly[static_cast<int>(i)] = pts[i];
    p->drawPolygon(poly, fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
  }

  // Fills device pixels x0..x1−1 × y0..y1−1.
  void FillDeviceRect(int x0, int y0, int x1, int y1, COLORREF color) const {
    if (x1 <= x0 || y1 <= y0) return;
    if (QImage* image = Direct()) {
      FillSpanRect(image, x0, y0, x1, y1, PixelFromRef(color));
      return;
    }
    if (QPainter* p = Painter()) p->fillRect(QRect(x0, y0, x1 - x0, y1 - y0), ColorFromRef(color));
  }

  // Places the painter's transform so that (0, 0) is the text reference point and one unit is
  // one logical unit, turned by the escapement; returns the text's left and baseline offsets.
  QPointF PrepareText(QPainter* p, int x, int y, const QFont& font, const QString& text) const {
    QPoint ref = dc.ToPixel(QPoint(x, y));
    p->translate(ref);
    p->scale(ScaleX() * dc.m_nPixelScale, ScaleY() * dc.m_nPixelScale);
    p->rotate(-dc.m_font.escapement / 10.0);
    QFontMetrics fm(font);
    int width = fm.horizontalAdvance(text);
    double left = 0;
    if ((dc.m_textAlign & TA_CENTER) == TA_CENTER) {
      left = -width / 2;
    } else if (dc.m_textAlign & TA_RIGHT) {
      left = -width;
    }
    double baseline = fm.ascent();
    if ((dc.m_textAlign & TA_BASELINE) == TA_BASELINE) {
      baseline = 0;
    } else if (dc.m_textAlign & TA_BOTTOM) {
      baseline = -fm.descent();
    }
    return QPointF(left, baseline);
  }
};

QPoint DeviceContext::MoveTo(int x, int y) {
  QPoint old = m_position;
  m_position = QPoint(x, y);
  m_styleCounter = 0;
  return old;
}

void DeviceContext::LineTo(int x, int y) {
  DeviceContextAccess a{*this};
  QPoint from = m_position;
  m_position = QPoint(x, y);
  if (!a.Ready()) return;
  a.BeginOutline();
  a.DeviceLine(ToPixel(from), ToPixel(m_position), m_styleCounter);
  a.EndOutline();
}

void DeviceContext::Polyline(const QPoint* points, int count) {
  if (count < 2) return;
  DeviceContextAccess a{*this};
  if (!a.Ready()) return;
  int counter = 0;
  a.BeginOutline();
  for (int i = 1; i < count; ++i) a.DeviceLine(ToPixel(points[i - 1]), ToPixel(points[i]), counter);
  a.EndOutline();
}

void DeviceContext::Rectangle(int left, int top, int right, int bottom) {
  DeviceContextAccess a{*this};
  if (!a.Ready()) return;
  QPoint p0 = ToPixel(QPoint(std::min(left, right), std::min(top, bottom)));
  QPoint p1 = ToPixel(QPoint(std::max(left, right), std::max(top, bottom)));
  int x0 = p0.x(), y0 = p0.y(), x1 = p1.x(), y1 = p1.y();
  if (m_pen.style == PS_NULL) {
    if (!m_brush.hollow) {
      a.FillDeviceRect(x0, y0, x1 - m_nPixelScale, y1 - m_nPixelScale, m_brush.color);
    }
    return;
  }
  int w = std::min(a.PenDeviceWidth(), std::max(1, std::min(x1 - x0, y1 - y0) / 2));
  if (!m_brush.hollow) a.FillDeviceRect(x0 + w, y0 + w, x1 - w, y1 - w, m_brush.color);
  if (m_pen.style == PS_SOLID) {
    a.FillDeviceRect(x0, y0, x1, y0 + w, m_pen.color);
    a.FillDeviceRect(x0, y1 - w, x1, y1, m_pen.color);
    a.FillDeviceRect(x0, y0 + w, x0 + w, y1 - w, m_pen.color);
    a.FillDeviceRect(x1 - w, y0 + w, x1, y1 - w, m_pen.color);
    return;
  }
  // Styled outline: walk the four sides in device pixels, pattern running round.
  int counter = 0;
  a.BeginOutline();
  int inset = (w - 1) / 2;
  QPoint c0(x0 + inset, y0 + inset), c1(x1 - 1 - w + 1 + inset, y0 + inset);
  QPoint c2(x1 - 1 - w + 1 + inset, y1 - 1 - w + 1 + inset), c3(x0 + inset, y1 - 1 - w + 1 + inset);
  a.DeviceLine(c0, c1, counter);
  a.DeviceLine(c1, c2, counter);
  a.DeviceLine(c2, c3, counter);
  a.DeviceLine(c3, c0, counter);
  a.EndOutline();
}

void DeviceContext::FillRect(const DcRect& rect, const DcBrush& brush) {
  DeviceContextAccess a{*this};
  if (!a.Ready() || brush.hollow) return;
  QPoint p0 = ToPixel(QPoint(rect.left, rect.top));
  QPoint p1 = ToPixel(QPoint(rect.right, rect.bottom));
  a.FillDeviceRect(std::min(p0.x(), p1.x()), std::min(p0.y(), p1.y()), std::max(p0.x(), p1.x()),
                   std::max(p0.y(), p1.y()), brush.color);
}

void DeviceContext::Polygon(const QPoint* points, int count) {
  DeviceContextAccess a{*this};
  if (!a.Ready() || count < 2) return;
  std::vector<QPoint> device(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) device[static_cast<size_t>(i)] = ToPixel(points[i]);
  // The outline covers the fill: drawing behind, it has to come first.
  bool behind = IsDrawingBehind();
  if (!m_brush.hollow && !behind) {
    a.FillDevicePolygon(device.data(), device.size(), m_fillMode, m_brush.color);
  }
  int counter = 0;
  a.BeginOutline();
  for (int i = 0; i < count; ++i) {
    a.DeviceLine(device[static_cast<size_t>(i)], device[static_cast<size_t>((i + 1) % count)],
                 counter);
  }
  a.EndOutline();
  if (!m_brush.hollow && behind) {
    a.FillDevicePolygon(device.data(), device.size(), m_fillMode, m_brush.color);
  }
}

void DeviceContext::FillRgn(const DcRegion& region, const DcBrush& brush) {
  DeviceContextAccess a{*this};
  if (!a.Ready() || brush.hollow || region.points.size() < 3) return;
  const size_t n = region.points.size();
  // Curtains fill tens of thousands of quadrilaterals a frame: no allocation for small ones.
  QPoint small[8];
  std::vector<QPoint> large;
  QPoint* device = small;
  if (n > std::size(small)) {
    large.resize(n);
    device = large.data();
  }
  for (size_t i = 0; i < n; ++i) device[i] = ToPixel(region.points[i]);
  a.FillDevicePolygon(device, n, region.fillMode, brush.color);
}

void DeviceContext::Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
                        int yEnd) {
  DeviceContextAccess a{*this};
  if (!a.Ready() || m_pen.style == PS_NULL) return;
  QPoint p0 = ToPixel(QPoint(left, top));
  QPoint p1 = ToPixel(QPoint(right, bottom));
  QPoint s = ToPixel(QPoint(xStart, yStart));
  QPoint e = ToPixel(QPoint(xEnd, yEnd));
  QRectF box(std::min(p0.x(), p1.x()), std::min(p0.y(), p1.y()), std::abs(p1.x() - p0.x()) - 1,
             std::abs(p1.y() - p0.y()) - 1);
  if (box.width() <= 0 || box.height() <= 0) return;
  QPointF c = box.center();
  double ra = box.width() / 2, rb = box.height() / 2;
  // Angles of the rays as parameters of the ellipse, counter-clockwise on the screen.
  double t0 = std::atan2(-(s.y() - c.y()) / rb, (s.x() - c.x()) / ra) * 180.0 / kPi;
  double t1 = std::atan2(-(e.y() - c.y()) / rb, (e.x() - c.x()) / ra) * 180.0 / kPi;
  double span = t1 - t0;
  while (span <= 0) span += 360.0;
  QPainter* p = a.Painter();
  if (p == nullptr) return;
  QPen qpen(ColorFromRef(m_pen.color));
  int w = a.PenDeviceWidth();
  qpen.setWidth(w <= 1 ? 0 : w);
  p->setPen(qpen);
  p->setBrush(Qt::NoBrush);
  p->drawArc(box, qRound(t0 * 16), qRound(span * 16));
}

void DeviceContext::SetPixel(int x, int y, COLORREF color) {
  DeviceContextAccess a{*this};
  if (!a.Ready()) return;
  QPoint d = ToPixel(QPoint(x, y));
  a.FillDeviceRect(d.x(), d.y(), d.x() + m_nPixelScale, d.y() + m_nPixelScale, color);
}

COLORREF DeviceContext::GetPixel(int x, int y) const {
  QImage* image = TargetImage();
  QPoint d = ToPixel(QPoint(x, y));
  if (image == nullptr || !image->valid(d)) return 0xFFFFFFFFu;
  Flush();
  return RefFromColor(QColor::fromRgb(image->pixel(d)));
}

void DeviceContext::TextOut(int x, int y, const std::string& text) {
  TextOut(x, y, QString::fromLocal8Bit(text.c_str()));
}

void DeviceContext::TextOut(int x, int y, const QString& text) {
  DeviceContextAccess a{*this};
  if (!a.Ready() || text.isEmpty()) return;
  QPainter* p = a.Painter();
  if (p == nullptr) return;
  QFont font = ToDrawFont(m_font);
  p->setFont(font);
  QPointF origin = a.PrepareText(p, x, y, font, text);
  if (m_bkMode == OPAQUE) {
    QFontMetrics fm(font);
    p->fillRect(
        QRectF(origin.x(), origin.y() - fm.ascent(), fm.horizontalAdvance(text), fm.height()),
        ColorFromRef(m_bkColor));
  }
  p->setPen(ColorFromRef(m_textColor));
  p->drawText(origin, text);
}

QSize DeviceContext::GetTextExtent(const std::string& text) const {
  return GetTextExtent(QString::fromLocal8Bit(text.c_str()));
}

QSize DeviceContext::GetTextExtent(const QString& text) const {
  QFontMetrics fm(ToDrawFont(m_font));
  return QSize(fm.horizontalAdvance(text), fm.height());
}

void DeviceContext::BitBlt(int x, int y, int width, int height, const DeviceContext& src, int xSrc,
                           int ySrc, uint32_t rop) {
  DeviceContextAccess a{*this};
  if (!a.Ready() || width <= 0 || height <= 0) return;
  QImage* source = src.TargetImage();
  if (source == nullptr || source->isNull()) return;
  src.Flush();
  QPoint s0 = src.ToPixel(QPoint(xSrc, ySrc));
  QPoint d0 = ToPixel(QPoint(x, y));
  QPoint d1 = ToPixel(QPoint(x + width, y + height));
  // The source's own pixels: a dense screen's bitmap holds more of them per unit.
  const int sourceWidth = width * src.m_nPixelScale;
  const int sourceHeight = height * src.m_nPixelScale;
  bool unscaled = d1.x() - d0.x() == sourceWidth && d1.y() - d0.y() == sourceHeight;
  QImage* target = TargetImage();
  if (unscaled && IsDirectImage(target) && IsDirectImage(source) && target != source) {
    Flush();
    // Clip the copy to both images.
    int sx = s0.x(), sy = s0.y(), dx = d0.x(), dy = d0.y(), w = sourceWidth, h = sourceHeight;
    if (sx < 0) {
      dx -= sx;
      w += sx;
      sx = 0;
    }
    if (sy < 0) {
      dy -= sy;
      h += sy;
      sy = 0;
    }
    if (dx < 0) {
      sx -= dx;
      w += dx;
      dx = 0;
    }
    if (dy < 0) {
      sy -= dy;
      h += dy;
      dy = 0;
    }
    w = std::min({w, source->width() - sx, target->width() - dx});
    h = std::min({h, source->height() - sy, target->height() - dy});
    for (int row = 0; row < h; ++row) {
      const uint32_t* in = reinterpret_cast<const uint32_t*>(source->constScanLine(sy + row)) + sx;
      uint32_t* out = reinterpret_cast<uint32_t*>(target->scanLine(dy + row)) + dx;
      switch (rop) {
        case SRCAND:
          for (int i = 0; i < w; ++i) out[i] &= in[i] | 0xFF000000u;
          break;
        case SRCPAINT:
          for (int i = 0; i < w; ++i) out[i] |= in[i];
          break;
        case SRCINVERT:
          for (int i = 0; i < w; ++i) out[i] = (out[i] ^ in[i]) | 0xFF000000u;
          break;
        default:
          if (w > 0) std::copy(in, in + w, out);
          break;
      }
    }
    return;
  }
  QPainter* p = a.Painter();
  if (p == nullptr) return;
  switch (rop) {
    case SRCAND:
      p->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      break;
    case SRCPAINT:
      p->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      break;
    case SRCINVERT:
      p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      break;
    default:
      p->setCompositionMode(QPainter::CompositionMode_Source);
      break;
  }
  // The target spans d0 up to, not including, d1: a rectangle from two corners would take one
  // more row and column and stretch the copy.
  p->drawImage(QRect(d0, QSize(d1.x() - d0.x(), d1.y() - d0.y())), *source,
               QRect(s0, QSize(sourceWidth, sourceHeight)));
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}
