#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QColor;
class QPainter;
class QPaintDevice;

// Colours are 24-bit values laid out 0x00BBGGRR.
using COLORREF = uint32_t;
constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
QColor ColorFromRef(COLORREF c);
COLORREF RefFromColor(const QColor& c);
// The same colour as an opaque pixel value of a QImage (0xFFRRGGBB).
uint32_t PixelFromRef(COLORREF c);

// Pen styles. Width 0 means one device pixel whatever the mapping.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_NULL = 5;

// Text alignment: one horizontal flag or'ed with one vertical flag.
constexpr int TA_LEFT = 0;
constexpr int TA_RIGHT = 2;
constexpr int TA_CENTER = 6;
constexpr int TA_TOP = 0;
constexpr int TA_BOTTOM = 8;
constexpr int TA_BASELINE = 24;

// Background modes for text (and styled lines).
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Mapping modes.
constexpr int MM_TEXT = 1;
constexpr int MM_ANISOTROPIC = 8;

// Polygon fill modes.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int DEFAULT_GUI_FONT = 17;

// Raster operations of BitBlt.
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t SRCPAINT = 0x00EE0086;   // dest OR source
constexpr uint32_t SRCAND = 0x008800C6;     // dest AND source
constexpr uint32_t SRCINVERT = 0x00660046;  // dest XOR source

// A rectangle with exclusive right and bottom edges, as the drawing calls take it.
struct DcRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const DcRect&) const = default;
};

// (numerator × multiplier) / divisor in 64 bits, rounded half away from zero; −1 for divisor 0.
int MulDiv(int number, int numerator, int denominator);

struct DcPen {
  int style = PS_SOLID;
  int width = 0;
  COLORREF color = 0;
  static DcPen Create(int style, int width, COLORREF color) { return DcPen{style, width, color}; }
};

struct DcBrush {
  bool hollow = false;
  COLORREF color = 0;
  static DcBrush Solid(COLORREF color) { return DcBrush{false, color}; }
  static DcBrush Hollow() { return DcBrush{true, 0}; }
};

// A font: height in logical units (negative = character height without internal leading,
// the usual way), escapement in tenths of a degree counter-clockwise, weight 0..1000 (0 =
// normal).
struct DcFont {
  int height = 0;
  int escapement = 0;
  int weight = 0;
  bool italic = false;
  bool underline = false;
  QString face;
  static DcFont Create(int height, int escapement, int weight, const QString& face);
  // A font of the given point size for the screen: height = −MulDiv(points, screen dpi y, 72).
  static DcFont FromPoints(int points, int weight, int escapement, const QString& face);
  // The Qt font drawn for it (pixel size |height|, or 13 px for height 0).
  QFont ToQFont() const;
};

// A bitmap: shared pixels, so copies refer to one picture (as a handle would).
class DcBitmap {
 public:
  DcBitmap() = default;
  // A bitmap of w × h logical pixels, all black, with scale × scale image pixels to each (a
  // dense screen's device pixel ratio).
  static DcBitmap Create(int width, int height, int scale = 1);
  bool IsNull() const { return !m_image; }
  int Width() const { return m_image ? m_image->width() / m_nScale : 0; }
  int Height() const { return m_image ? m_image->height() / m_nScale : 0; }
  int Scale() const { return m_nScale; }
  QImage* Image() const { return m_image.get(); }
  bool operator==(const DcBitmap& o) const { return m_image == o.m_image; }

 private:
  std::shared_ptr<QImage> m_image;
  int m_nScale = 1;
};

// A polygon region for FillRgn.
struct DcRegion {
  std::vector<QPoint> points;
  int fillMode = WINDING;
  static DcRegion CreatePolygonRgn(const QPoint* points, int count, int fillMode);
};

DcPen GetStockPen(int id);
DcBrush GetStockBrush(int id);

// The screen's vertical and horizontal logical resolution in pixels per inch.
int ScreenPixelsPerInchY();
int ScreenPixelsPerInchX();

// A drawing surface with the pixel rules the charts and controls are written for: a QImage
// (drawn directly, pixel-exact), a widget or printer, or a painter that is already active.
// Coordinates are logical; the viewport origin and, in MM_ANISOTROPIC, the viewport and window
// extents map them to device pixels. Antialiasing is never used. Objects are values: Select*
// returns the one selected before, and "deleting" a pen, brush or font is letting it go.
class DeviceContext {
 public:
  // Draws into image (not owned; it must outlive the context).
  explicit DeviceContext(QImage* image);
  // Opens a painter on a widget (inside its paint event), a printer or another paint device.
  explicit DeviceContext(QPaintDevice* device);
  // Draws through a painter the caller keeps active (print preview, a widget's paint event).
  explicit DeviceContext(QPainter* painter);
  ~DeviceContext();
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  // A memory context like ref (same resolution; ref may be null for the screen). It draws into
  // whatever bitmap is selected into it and ignores drawing while none is.
  static std::unique_ptr<DeviceContext> CreateCompatibleDC(const DeviceContext* ref);
  // A black bitmap for this context, width × height.
  DcBitmap CreateCompatibleBitmap(int width, int height) const;

  // Selection: each returns the object that was selected before.
  DcPen SelectPen(const DcPen& pen);
  DcBrush SelectBrush(const DcBrush& brush);
  DcFont SelectFont(const DcFont& font);
  DcBitmap SelectBitmap(const DcBitmap& bitmap);  // memory contexts only
  const DcPen& GetPen() const { return m_pen; }
  const DcBrush& GetBrush() const { return m_brush; }

  // Text state; each returns the previous value. Defaults: black text, white background,
  // OPAQUE, TA_LEFT | TA_TOP.
  COLORREF SetTextColor(COLORREF c);
  COLORREF SetBkColor(COLORREF c);
  int SetBkMode(int mode);
  int SetTextAlign(int align);
  int SetPolyFillMode(int mode);

  // Mapping. SetMapMode(MM_TEXT) resets both extents to 1 × 1; the origins stay.
  int SetMapMode(int mode);
  int GetMapMode() const { return m_mapMode; }
  QSize SetViewportExt(int cx, int cy);  // only in MM_ANISOTROPIC
  QPoint SetViewportOrg(int x, int y);   // device units
  QPoint GetViewportOrg() const { return m_viewportOrg; }
  QPoint LPtoDP(QPoint p) const;
  // The scale a compatible bitmap of this context gets.
  int DevicePixelScale() const { return m_nRefScale; }

  // Resolution of the target in pixels per inch.
  int GetPixelsPerInchX() const;
  int GetPixelsPerInchY() const;

  // Lines with the current pen: the end point of LineTo is not painted and becomes the current
  // position. Dotted pens repeat 3 pixels on, 3 off, continuing along a polyline.
  QPoint MoveTo(int x, int y);
  void LineTo(int x, int y);
  QPoint GetCurrentPosition() const { return m_position; }

  // Outline with the current pen, inside filled with the current brush; covers the pixels
  // left..right−1 × top..bottom−1 (one less each way with the null pen).
  void Rectangle(int left, int top, int right, int bottom);
  // Fills left..right−1 × top..bottom−1 with brush; the pen is not used.
  void FillRect(const DcRect& rect, const DcBrush& brush);
  void FillSolidRect(const DcRect& rect, COLORREF color) { FillRect(rect, DcBrush::Solid(color)); }
  // Closed polygon: filled with the current brush and fill mode, outlined with the pen.
  void Polygon(const QPoint* points, int count);
  void Polyline(const QPoint* points, int count);
  // Fills the region with brush (pixel centres inside the polygon by its fill mode).
  void FillRgn(const DcRegion& region, const DcBrush& brush);
  // Elliptic arc of the bounding box, counter-clockwise from the ray toward (xStart, yStart)
  // to the ray toward (xEnd, yEnd); a full ellipse when both rays coincide.
  void Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
  // One device pixel at the mapped point.
  void SetPixel(int x, int y, COLORREF color);
  // The colour at a logical point (image targets only; 0xFFFFFFFF where there is no pixel).
  COLORREF GetPixel(int x, int y) const;

  // Text at the reference point chosen by the text alignment, in the text colour, with the
  // background rectangle filled when the mode is OPAQUE; the font's escapement turns it about
  // the reference point.
  void TextOut(int x, int y, const std::string& text);
  void TextOut(int x, int y, const QString& text);
  // Width and height of the text in the current font, unrotated, logical units.
  QSize GetTextExtent(const std::string& text) const;
  QSize GetTextExtent(const QString& text) const;

  // Copies width × height pixels of src at (xSrc, ySrc) to (x, y), combined by rop
  // (SRCCOPY, SRCAND, SRCPAINT, SRCINVERT); both in logical units of their own context.
  void BitBlt(int x, int y, int width, int height, const DeviceContext& src, int xSrc, int ySrc,
              uint32_t rop);

  // Drawing behind: while on, pixel-exact drawing into the image leaves every pixel that an
  // earlier operation of the spell painted, so operations issued last-to-first leave the picture
  // that first-to-last would, and hidden pixels are never written. Lines, polylines, polygons,
  // regions, rectangles and pixels honour it; text, arcs and ellipses must not be drawn during
  // it. Returns false, staying off, unless the target is an image drawn pixel by pixel.
  bool BeginDrawBehind();
  void EndDrawBehind();
  bool IsDrawingBehind() const;

  // The image drawn into (the image target, or the selected bitmap); null otherwise.
  QImage* TargetImage() const;
  // Ends any painter this context opened on its image, so the pixels can be read elsewhere.
  void Flush() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  DcPen m_pen;
  DcBrush m_brush = DcBrush::Solid(RGB(255, 255, 255));
  DcFont m_font;
  DcBitmap m_bitmap;
  COLORREF m_textColor = 0;
  COLORREF m_bkColor = RGB(255, 255, 255);
  int m_bkMode = OPAQUE;
  int m_textAlign = TA_LEFT | TA_TOP;
  int m_fillMode = ALTERNATE;
  int m_mapMode = MM_TEXT;
  QSize m_viewportExt{1, 1};
  QSize m_windowExt{1, 1};
  QPoint m_viewportOrg{0, 0};
  QPoint m_windowOrg{0, 0};
  QPoint m_position{0, 0};
  int m_styleCounter = 0;
  int m_dpiX = 96;
  int m_dpiY = 96;
  int m_nPixelScale = 1;
  int m_nRefScale = 1;

  // A logical point in image pixels: LPtoDP at the pixel scale.
  QPoint ToPixel(QPoint p) const;
  DeviceContext();
  friend struct DeviceContextAccess;
};
