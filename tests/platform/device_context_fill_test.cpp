// Polygon filling against an exact pixel-centre oracle, and drawing behind against drawing
// in order.
#include <gtest/gtest.h>

#include <QImage>
#include <random>
#include <vector>

#include "platform/device_context.h"

namespace {

constexpr uint32_t kBlank = 0xFF00FF00u;

// Where the centre of pixel (x, y) lies with respect to the polygon, in exact integers: twice
// the coordinates put centres on odd and corners on even numbers. Returns −1 when the centre is
// on the outline (either rounding is right there), else 1 inside / 0 outside by the fill rule.
int CentreInside(const std::vector<QPoint>& poly, int x, int y, int fillMode) {
  const long long px = 2LL * x + 1, py = 2LL * y + 1;
  int winding = 0, crossings = 0;
  const size_t n = poly.size();
  for (size_t i = 0; i < n; ++i) {
    long long ax = 2LL * poly[i].x(), ay = 2LL * poly[i].y();
    long long bx = 2LL * poly[(i + 1) % n].x(), by = 2LL * poly[(i + 1) % n].y();
    long long cross = (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    if (cross == 0 && std::min(ax, bx) <= px && px <= std::max(ax, bx) && std::min(ay, by) <= py &&
        py <= std::max(ay, by)) {
      return -1;
    }
    if ((ay <= py) == (by <= py)) continue;  // py is odd and corners even: never equal
    // Crossing to the right of the centre?
    bool right = by > ay ? cross > 0 : cross < 0;
    if (!right) continue;
    ++crossings;
    winding += by > ay ? 1 : -1;
  }
  return fillMode == WINDING ? winding != 0 : (crossings % 2) != 0;
}

void ExpectFillMatchesOracle(const std::vector<QPoint>& poly, int fillMode, const char* what) {
  QImage image(48, 40, QImage::Format_RGB32);
  image.fill(kBlank);
  DeviceContext dc(&image);
  dc.FillRgn(DcRegion::CreatePolygonRgn(poly.data(), static_cast<int>(poly.size()), fillMode),
             DcBrush::Solid(0));
  int wrong = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      int expected = CentreInside(poly, x, y, fillMode);
      if (expected < 0) continue;
      bool painted = image.pixel(x, y) != kBlank;
      if (painted != (expected == 1) && ++wrong <= 3) {
        ADD_FAILURE() << what << ": pixel " << x << "," << y << " painted=" << painted;
      }
    }
  }
  EXPECT_EQ(wrong, 0) << what;
}

}  // namespace

TEST(DeviceContextFillTest, RandomPolygonsFillExactlyTheCentresInside) {
  std::mt19937 rng(1234);
  // Corners reach past every edge of the 48 × 40 image, so clipping is exercised too.
  std::uniform_int_distribution<int> cx(-10, 58), cy(-10, 50);
  for (int trial = 0; trial < 300; ++trial) {
    int corners = 3 + trial % 6;
    std::vector<QPoint> poly;
    for (int i = 0; i < corners; ++i) poly.emplace_back(cx(rng), cy(rng));
    ExpectFillMatchesOracle(poly, WINDING, "random winding");
    ExpectFillMatchesOracle(poly, ALTERNATE, "random alternate");
  }
}

TEST(DeviceContextFillTest, CurtainQuadrilateralsStraightTwistedAndFlat) {
  // Curve segment p1–p2 over a slanted zero line p3–p4: above it, twisted across it (a bow-tie)
  // and lying on it, in both windings of the outline.
  const std::vector<std::vector<QPoint>> quads = {
      {{5, 3}, {30, 12}, {30, 33}, {5, 30}},    {{5, 35}, {30, 2}, {30, 33}, {5, 30}},
      {{5, 30}, {30, 33}, {30, 33}, {5, 30}},   {{20, 1}, {21, 38}, {21, 25}, {20, 24}},
      {{40, 10}, {12, 20}, {12, 30}, {40, 26}}, {{0, 0}, {47, 39}, {47, 0}, {0, 39}},
  };
  for (const auto& q : quads) {
    ExpectFillMatchesOracle(q, WINDING, "curtain");
    std::vector<QPoint> reversed(q.rbegin(), q.rend());
    ExpectFillMatchesOracle(reversed, WINDING, "curtain reversed");
  }
}

namespace {

// A scene of overlapping operations of every kind drawing behind honours. Issued forward it is
// the reference; issued backward while drawing behind it must leave the same pixels.
struct Op {
  int kind;
  std::vector<QPoint> pts;
  DcPen pen;
  COLORREF brush;
  int fillMode;
};

void Issue(DeviceContext& dc, const Op& op) {
  dc.SelectPen(op.pen);
  dc.SelectBrush(DcBrush::Solid(op.brush));
  dc.SetPolyFillMode(op.fillMode);
  const int n = static_cast<int>(op.pts.size());
  switch (op.kind) {
    case 0:
      dc.Polygon(op.pts.data(), n);
      break;
    case 1:
      dc.FillRgn(DcRegion::CreatePolygonRgn(op.pts.data(), n, op.fillMode),
                 DcBrush::Solid(op.brush));
      break;
    case 2:
      dc.Polyline(op.pts.data(), n);
      break;
    case 3:
      dc.Rectangle(op.pts[0].x(), op.pts[0].y(), op.pts[1].x(), op.pts[1].y());
      break;
    default:
      dc.MoveTo(op.pts[0].x(), op.pts[0].y());
      dc.LineTo(op.pts[1].x(), op.pts[1].y());
      break;
  }
}

}  // namespace

TEST(DeviceContextFillTest, DrawingBehindInReverseLeavesThePictureOfDrawingInOrder) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> cx(-8, 72), cy(-8, 56), colour(0, 0xFFFFFF);
  const int styles[] = {PS_SOLID, PS_DOT, PS_DASH};
  for (int scene = 0; scene < 20; ++scene) {
    std::vector<Op> ops;
    for (int i = 0; i < 40; ++i) {
      Op op;
      op.kind = static_cast<int>(rng() % 5);
      int corners = op.kind >= 3 ? 2 : 3 + static_cast<int>(rng() % 5);
      for (int k = 0; k < corners; ++k) op.pts.emplace_back(cx(rng), cy(rng));
      // Wide styled pens over an opaque background paint two colours that overlap within one
      // operation, the case where order inside the operation matters.
      op.pen = DcPen::Create(styles[rng() % 3], static_cast<int>(rng() % 4),
                             static_cast<COLORREF>(colour(rng)));
      op.brush = static_cast<COLORREF>(colour(rng));
      op.fillMode = rng() % 2 ? WINDING : ALTERNATE;
      ops.push_back(op);
    }
    QImage forward(64, 48, QImage::Format_RGB32);
    forward.fill(kBlank);
    QImage backward = forward;
    {
      DeviceContext dc(&forward);
      dc.SetBkColor(RGB(1, 2, 3));
      for (const Op& op : ops) Issue(dc, op);
    }
    {
      DeviceContext dc(&backward);
      dc.SetBkColor(RGB(1, 2, 3));
      ASSERT_TRUE(dc.BeginDrawBehind());
      for (auto it = ops.rbegin(); it != ops.rend(); ++it) Issue(dc, *it);
      dc.EndDrawBehind();
      EXPECT_FALSE(dc.IsDrawingBehind());
    }
    ASSERT_EQ(forward, backward) << "scene " << scene;
  }
}

TEST(DeviceContextFillTest, DrawingBehindNeedsAPixelTargetAndEndsCleanly) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(kBlank);
  {
    // A context drawing through a painter cannot draw behind.
    DeviceContext painted(static_cast<QPaintDevice*>(&image));
    EXPECT_FALSE(painted.BeginDrawBehind());
    EXPECT_FALSE(painted.IsDrawingBehind());
  }
  DeviceContext dc(&image);
  ASSERT_TRUE(dc.BeginDrawBehind());
  dc.FillSolidRect(DcRect{0, 0, 8, 8}, RGB(255, 0, 0));
  dc.FillSolidRect(DcRect{4, 4, 12, 12}, RGB(0, 0, 255));  // behind the red square
  dc.EndDrawBehind();
  EXPECT_EQ(image.pixel(5, 5), 0xFFFF0000u);
  EXPECT_EQ(image.pixel(10, 10), 0xFF0000FFu);
  // Once ended, drawing covers again.
  dc.FillSolidRect(DcRect{4, 4, 12, 12}, RGB(0, 0, 255));
  EXPECT_EQ(image.pixel(5, 5), 0xFF0000FFu);
}
