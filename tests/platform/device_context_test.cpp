#include "platform/device_context.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

constexpr uint32_t kSentinel = 0xFF00FF00u;  // green: "never painted"

QImage Canvas(int w = 64, int h = 64) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(kSentinel);
  return image;
}

bool Painted(const QImage& image, int x, int y) { return image.pixel(x, y) != kSentinel; }

int CountPainted(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += Painted(image, x, y);
  return n;
}

}  // namespace

TEST(DeviceContextMathTest, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(7, 96, 72), 9);
  EXPECT_EQ(MulDiv(9, 96, 72), 12);
  EXPECT_EQ(MulDiv(3, 3, 2), 5);
  EXPECT_EQ(MulDiv(-3, 3, 2), -5);
  EXPECT_EQ(MulDiv(5, 1, 3), 2);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(1 << 30, 8, 1), -1);  // overflow
}

TEST(DeviceContextMathTest, FontHeightFromPointsFollowsScreenResolution) {
  int dpi = ScreenPixelsPerInchY();
  EXPECT_EQ(DcFont::FromPoints(7, 0, 0, "Times New Roman").height, -((7 * dpi + 36) / 72));
  DcFont title = DcFont::FromPoints(9, 700, 900, "Times New Roman");
  EXPECT_EQ(title.height, -((9 * dpi + 36) / 72));
  EXPECT_EQ(title.weight, 700);
  EXPECT_EQ(title.escapement, 900);
  EXPECT_EQ(title.ToQFont().pixelSize(), (9 * dpi + 36) / 72);
}

TEST(DeviceContextTest, LineLeavesItsEndPixelUnpainted) {
  QImage image = Canvas();
  DeviceContext dc(&image);
  dc.MoveTo(2, 5);
  dc.LineTo(10, 5);
  for (int x = 2; x < 10; ++x) EXPECT_EQ(image.pixel(x, 5), 0xFF000000u) << x;
  EXPECT_FALSE(Painted(image, 10, 5));
  EXPECT_FALSE(Painted(image, 1, 5));

  // Vertical upward and a 45° diagonal: same rule, whatever the direction.
  dc.MoveTo(20, 30);
  dc.LineTo(20, 20);
  EXPECT_TRUE(Painted(image, 20, 30));
  EXPECT_TRUE(Painted(image, 20, 21));
  EXPECT_FALSE(Painted(image, 20, 20));
  dc.MoveTo(30, 30);
  dc.LineTo(35, 35);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(Painted(image, 30 + i, 30 + i));
  EXPECT_FALSE(Painted(image, 35, 35));
  EXPECT_EQ(dc.GetCurrentPosition(), QPoint(35, 35));

  // A polyline paints each joint once, as the start of the next segment.
  QImage poly = Canvas();
  DeviceContext pdc(&poly);
  pdc.MoveTo(0, 0);
  pdc.LineTo(5, 0);
  pdc.LineTo(5, 5);
  EXPECT_TRUE(Painted(poly, 5, 0));
  EXPECT_FALSE(Painted(poly, 5, 5));
  EXPECT_EQ(CountPainted(poly), 10);
}

TEST(DeviceContextTest, ShallowLineFollowsBresenham) {
  QImage image = Canvas();
  DeviceContext dc(&image);
  dc.MoveTo(0, 0);
  dc.LineTo(40, 20);  // slope exactly 1/2: pixel (2k, k) and (2k+1, k) for every k
  for (int k = 0; k < 20; ++k) {
    EXPECT_TRUE(Painted(image, 2 * k, k)) << k;
    EXPECT_FALSE(Painted(image, 2 * k, k + 1)) << k;
  }
  EXPECT_EQ(CountPainted(image), 40);
}

TEST(DeviceContextTest, DottedPenRepeatsThreeOnThreeOffAndFillsGapsOnlyWhenOpaque) {
  QImage image = Canvas();
  DeviceContext dc(&image);
  dc.SelectPen(DcPen::Create(PS_DOT, 1, RGB(128, 128, 128)));
  dc.SetBkMode(TRANSPARENT);
  dc.MoveTo(0, 1);
  dc.LineTo(24, 1);
  for (int x = 0; x < 24; ++x) {
    bool on = (x / 3) % 2 == 0;
    EXPECT_EQ(image.pixel(x, 1), on ? 0xFF808080u : kSentinel) << x;
  }
  dc.SetBkMode(OPAQUE);
  dc.SetBkColor(RGB(255, 255, 255));
  dc.MoveTo(0, 3);
  dc.LineTo(24, 3);
  EXPECT_EQ(image.pixel(3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(image.pixel(6, 3), 0xFF808080u);
}

TEST(DeviceContextTest, WidePenAndNullPen) {
  QImage image = Canvas();
  DeviceContext dc(&image);
  dc.SelectPen(DcPen::Create(PS_SOLID, 2, RGB(255, 0, 0)));
  dc.MoveTo(10, 10);
  dc.LineTo(20, 10);
  EXPECT_EQ(image.pixel(15, 10), 0xFFFF0000u);
  EXPECT_EQ(image.pixel(15, 11), 0xFFFF0000u);
  EXPECT_FALSE(Painted(image, 15, 12));
  EXPECT_FALSE(Painted(image, 15, 9));

  QImage none = Canvas();
  DeviceContext ndc(&none);
  ndc.SelectPen(GetStockPen(NULL_PEN));
  ndc.MoveTo(0, 0);
  ndc.LineTo(30, 30);
  EXPECT_EQ(CountPainted(none), 0);
}

TEST(DeviceContextTest, RectangleCoversLeftTopToRightBottomExclusive) {
  QImage image = Canvas();
  DeviceContext dc(&image);
  dc.SelectPen(GetStockPen(BLACK_PEN));
  DcBrush previous = dc.SelectBrush(GetStockBrush(LTGRAY_BRUSH));
  EXPECT_EQ(previous.color, RGB(255, 255, 255));  // the default brush is white
  dc.Rectangle(10, 10, 20, 15);
  EXPECT_EQ(image.pixel(10, 10), 0xFF000000u);
  EXPECT_EQ(image.pixel(19, 14), 0xFF000000u);
  EXPECT_EQ(image.pixel(15, 12), 0xFFC0C0C0u);
  EXPECT_FALSE(Painted(image, 20, 12));
  EXPECT_FALSE(Painted(image, 15, 15));
  EXPECT_EQ(CountPainted(image), 50);

  // With the null pen the figure is one pixel smaller each way.
  QImage small = Canvas();
  DeviceContext sdc(&small);
  sdc.SelectPen(GetStockPen(NULL_PEN));
  sdc.Rectangle(10, 10, 20, 15);
  EXPECT_EQ(CountPainted(small), 9 * 4);

  QImage fill = Canvas();
  DeviceContext fdc(&fill);
  fdc.FillRect(DcRect{1, 2, 4, 6}, DcBrush::Solid(RGB(0, 0, 255)));
  EXPECT_EQ(CountPainted(fill), 3 * 4);
  EXPECT_EQ(fill.pixel(3, 5), 0xFF0000FFu);
  fdc.FillRect(DcRect{0, 0, 10, 10}, DcBrush::Hollow());
  EXPECT_EQ(CountPainted(fill), 12);
}

TEST(DeviceContextTest, RegionFillTakesPixelsWhoseCentresAreInside) {
  QImage image = Canvas();
  DeviceContext dc(&image);
  QPoint triangle[] = {{0, 0}, {10, 0}, {0, 10}};
  dc.FillRgn(DcRegion::CreatePolygonRgn(triangle, 3, WINDING), DcBrush::Solid(0));
  // Centre (x + ½, y + ½) inside x + y < 10 means x + y <= 8: 45 pixels.
  EXPECT_EQ(CountPainted(image), 45);
  EXPECT_TRUE(Painted(image, 0, 8));
  EXPECT_FALSE(Painted(image, 0, 9));

  // A degenerate quadrilateral (all corners on a line) fills nothing.
  QImage flat = Canvas();
  DeviceContext fdc(&flat);
  QPoint line[] = {{5, 5}, {5, 5}, {5, 20}, {5, 20}};
  fdc.FillRgn(DcRegion::CreatePolygonRgn(line, 4, WINDING), DcBrush::Solid(0));
  EXPECT_EQ(CountPainted(flat), 0);
}

TEST(DeviceContextTest, WindingFillCoversTheOverlapAlternateDoesNot) {
  // Two nested squares traced in the same direction: the inner one has winding number 2.
  QPoint twice[] = {{0, 0},   {40, 0},  {40, 40}, {0, 40},  {0, 0},
                    {10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}};
  QImage winding = Canvas();
  DeviceContext wdc(&winding);
  wdc.SelectPen(GetStockPen(NULL_PEN));
  wdc.SelectBrush(DcBrush::Solid(0));
  EXPECT_EQ(wdc.SetPolyFillMode(WINDING), ALTERNATE);
  wdc.Polygon(twice, 10);
  EXPECT_TRUE(Painted(winding, 20, 20));
  EXPECT_TRUE(Painted(winding, 5, 5));

  QImage alternate = Canvas();
  DeviceContext adc(&alternate);
  adc.SelectPen(GetStockPen(NULL_PEN));
  adc.SelectBrush(DcBrush::Solid(0));
  adc.Polygon(twice, 10);
  EXPECT_FALSE(Painted(alternate, 20, 20));
  EXPECT_TRUE(Painted(alternate, 5, 5));
}

TEST(DeviceContextTest, ArcRunsCounterClockwiseFromStartToEnd) {
  QImage image = Canvas();
  DeviceContext dc(&image);
  // From the ray toward the east to the ray toward the north: the upper right quarter only.
  dc.Arc(0, 0, 41, 41, 40, 20, 20, 0);
  auto anyIn = [&](int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (Painted(image, x, y)) return true;
    return false;
  };
  EXPECT_TRUE(anyIn(22, 0, 41, 18));
  EXPECT_FALSE(anyIn(0, 0, 18, 41));
  EXPECT_FALSE(anyIn(0, 23, 41, 41));

  // Swapping the rays draws the other three quarters.
  QImage rest = Canvas();
  DeviceContext rdc(&rest);
  rdc.Arc(0, 0, 41, 41, 20, 0, 40, 20);
  EXPECT_TRUE(Painted(rest, 0, 20) || Painted(rest, 1, 20));
  EXPECT_TRUE(Painted(rest, 20, 40) || Painted(rest, 20, 39));
}

TEST(DeviceContextTest, TextSitsOnItsReferencePointAndKeepsTheBackgroundWhenTransparent) {
  QImage image = Canvas(200, 120);
  DeviceContext dc(&image);
  dc.SelectFont(DcFont::FromPoints(9, 0, 0, "Times New Roman"));
  dc.SetBkMode(TRANSPARENT);
  QSize extent = dc.GetTextExtent(std::string("Wave 123"));
  ASSERT_GT(extent.width(), 10);
  ASSERT_GT(extent.height(), 5);

  dc.SetTextAlign(TA_RIGHT | TA_TOP);
  dc.TextOut(100, 20, std::string("Wave 123"));
  int minX = 1000, maxX = -1, minY = 1000;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (Painted(image, x, y)) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
      }
  ASSERT_GE(maxX, 0);
  EXPECT_LT(maxX, 100);
  EXPECT_GE(minX, 100 - extent.width());
  EXPECT_GE(minY, 20);
  EXPECT_LT(CountPainted(image), extent.width() * extent.height() / 2);  // glyphs only

  // Rotated a quarter turn with right-top alignment: the text runs up from below the point.
  QImage turned = Canvas(120, 200);
  DeviceContext tdc(&turned);
  tdc.SelectFont(DcFont::FromPoints(9, 0, 900, "Times New Roman"));
  tdc.SetBkMode(OPAQUE);
  tdc.SetBkColor(RGB(255, 255, 255));
  tdc.SetTextAlign(TA_RIGHT | TA_TOP);
  tdc.TextOut(50, 40, std::string("Wave 123"));
  for (int y = 0; y < turned.height(); ++y)
    for (int x = 0; x < turned.width(); ++x)
      if (Painted(turned, x, y)) {
        EXPECT_GE(x, 49);
        EXPECT_LE(x, 51 + extent.height());
        EXPECT_GE(y, 39);
        EXPECT_LE(y, 41 + extent.width());
      }
  EXPECT_TRUE(Painted(turned, 51, 41));  // the opaque background box
}

TEST(DeviceContextTest, AnisotropicMappingScalesAndOffsetsEverything) {
  QImage image = Canvas(100, 100);
  DeviceContext dc(&image);
  dc.SetMapMode(MM_ANISOTROPIC);
  dc.SetViewportExt(5, 5);
  dc.SetViewportOrg(10, 20);
  EXPECT_EQ(dc.LPtoDP(QPoint(2, 3)), QPoint(20, 35));
  dc.FillRect(DcRect{0, 0, 2, 2}, DcBrush::Solid(0));
  EXPECT_EQ(CountPainted(image), 100);
  EXPECT_TRUE(Painted(image, 10, 20));
  EXPECT_TRUE(Painted(image, 19, 29));
  EXPECT_FALSE(Painted(image, 20, 29));

  // A one-unit pen is five device pixels wide; a zero-width pen stays one pixel.
  QImage lines = Canvas(100, 100);
  DeviceContext ldc(&lines);
  ldc.SetMapMode(MM_ANISOTROPIC);
  ldc.SetViewportExt(5, 5);
  ldc.SelectPen(DcPen::Create(PS_SOLID, 1, 0));
  ldc.MoveTo(2, 10);
  ldc.LineTo(2, 15);
  int run = 0;
  for (int x = 0; x < 30; ++x) run += Painted(lines, x, 60);
  EXPECT_EQ(run, 5);
  ldc.SelectPen(DcPen::Create(PS_SOLID, 0, 0));
  ldc.MoveTo(10, 10);
  ldc.LineTo(10, 15);
  run = 0;
  for (int x = 40; x < 70; ++x) run += Painted(lines, x, 60);
  EXPECT_EQ(run, 1);

  // Back in MM_TEXT the extents are 1:1 again; the origin stays.
  dc.SetMapMode(MM_TEXT);
  EXPECT_EQ(dc.LPtoDP(QPoint(2, 3)), QPoint(12, 23));
}

TEST(DeviceContextTest, MemoryContextsAndBlockCopies) {
  QImage screen = Canvas(50, 50);
  DeviceContext dc(&screen);
  auto mem = DeviceContext::CreateCompatibleDC(&dc);
  mem->FillRect(DcRect{0, 0, 10, 10}, DcBrush::Solid(0));  // no bitmap yet: nothing happens
  EXPECT_EQ(mem->TargetImage(), nullptr);

  DcBitmap bitmap = mem->CreateCompatibleBitmap(8, 6);
  DcBitmap previous = mem->SelectBitmap(bitmap);
  EXPECT_TRUE(previous.IsNull());
  EXPECT_EQ(bitmap.Image()->pixel(0, 0), 0xFF000000u);  // new bitmaps are black
  mem->FillRect(DcRect{0, 0, 8, 6}, DcBrush::Solid(RGB(0x10, 0x30, 0xF0)));
  mem->SetPixel(7, 5, RGB(255, 255, 255));
  EXPECT_EQ(mem->GetPixel(7, 5), RGB(255, 255, 255));

  dc.BitBlt(40, 45, 8, 6, *mem, 0, 0, SRCCOPY);  // clipped at the right and bottom
  EXPECT_EQ(screen.pixel(40, 45), 0xFF1030F0u);
  EXPECT_EQ(screen.pixel(47, 49), 0xFF1030F0u);
  EXPECT_FALSE(Painted(screen, 48, 49));
  EXPECT_FALSE(Painted(screen, 39, 45));

  // AND then OR: the classic mask-and-image pair.
  QImage dest(4, 1, QImage::Format_RGB32);
  dest.fill(0xFF0F0F0Fu);
  DeviceContext ddc(&dest);
  mem->FillRect(DcRect{0, 0, 8, 6}, DcBrush::Solid(RGB(0x33, 0x33, 0x33)));
  ddc.BitBlt(0, 0, 2, 1, *mem, 0, 0, SRCAND);
  ddc.BitBlt(2, 0, 2, 1, *mem, 0, 0, SRCPAINT);
  EXPECT_EQ(dest.pixel(0, 0), 0xFF030303u);
  EXPECT_EQ(dest.pixel(3, 0), 0xFF3F3F3Fu);
  EXPECT_EQ(mem->SelectBitmap(previous), bitmap);
}

TEST(DeviceContextTest, StockObjectsAndSelectionReturnThePreviousObject) {
  QImage image = Canvas();
  DeviceContext dc(&image);
  EXPECT_EQ(GetStockBrush(LTGRAY_BRUSH).color, RGB(192, 192, 192));
  EXPECT_TRUE(GetStockBrush(HOLLOW_BRUSH).hollow);
  EXPECT_EQ(GetStockPen(WHITE_PEN).color, RGB(255, 255, 255));
  EXPECT_EQ(GetStockPen(NULL_PEN).style, PS_NULL);
  DcPen first = dc.SelectPen(GetStockPen(WHITE_PEN));
  EXPECT_EQ(first.color, 0u);
  EXPECT_EQ(dc.SelectPen(first).color, RGB(255, 255, 255));
  EXPECT_EQ(dc.SetTextAlign(TA_RIGHT | TA_TOP), TA_LEFT | TA_TOP);
  EXPECT_EQ(dc.SetBkMode(TRANSPARENT), OPAQUE);
  DcFont f = DcFont::FromPoints(7, 0, 0, "Times New Roman");
  EXPECT_EQ(dc.SelectFont(f).height, 0);
  EXPECT_EQ(dc.SelectFont(DcFont{}).height, f.height);
}

TEST(DeviceContextTest, ResolutionComesFromTheTarget) {
  QImage print(10, 10, QImage::Format_RGB32);
  print.setDotsPerMeterX(qRound(600 / 0.0254));
  print.setDotsPerMeterY(qRound(600 / 0.0254));
  DeviceContext dc(&print);
  EXPECT_EQ(dc.GetPixelsPerInchX(), 600);
  EXPECT_EQ(dc.GetPixelsPerInchY(), 600);
  auto mem = DeviceContext::CreateCompatibleDC(&dc);
  EXPECT_EQ(mem->GetPixelsPerInchY(), 600);
}
