// The main window on a screen of twice the density (QT_SCALE_FACTOR=2) against the usual one:
// the same layout at twice the pixels, drawn at the full resolution rather than enlarged. Each
// scale needs a process of its own (the factor is read once, when the toolkit starts), so the
// test runs this program again for each with a filter that picks the picture-taking case.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdlib>

#include "e2e_reliability_support.h"
#include "shell/main_frame.h"
#include "shell/nav_bar_ctrl.h"
#include "shell/splash_wnd.h"
#include "view/aurivue_view.h"

using namespace e2e;

namespace {

constexpr const char* kPictureVariable = "AURIVUE_TEST_DPI_PICTURE";

// What the child reports of the picture it took: the top chart's plot in window pixels
// (logical), as left top right bottom.
struct Picture {
  QImage image;
  QImage splash;
  QRect plot;
  QRect icon;  // the navigation bar's first icon
};

bool TakePicture(const QString& dir, int scale, Picture* out, QString* error) {
  // One screen of 1600 × 1200 logical pixels at either scale, so the window has one size.
  const QString config = dir + QString("/screen%1.json").arg(scale);
  QFile json(config);
  if (!json.open(QIODevice::WriteOnly)) return false;
  json.write(QString("{ \"screens\": [ { \"name\": \"s\", \"x\": 0, \"y\": 0, \"width\": %1, "
                     "\"height\": %2, \"dpi\": 96, \"dpr\": 1 } ] }")
                 .arg(1600 * scale)
                 .arg(1200 * scale)
                 .toUtf8());
  json.close();
  const QString png = dir + QString("/window%1.png").arg(scale);
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config);
  env.insert("QT_SCALE_FACTOR", QString::number(scale));
  env.insert(kPictureVariable, png);
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=HighDpiWindow.TakesItsPicture"});
  if (!child.waitForFinished(60000) || child.exitCode() != 0) {
    *error = QString::fromLocal8Bit(child.readAll());
    return false;
  }
  QFile info(png + ".txt");
  if (!out->image.load(png) || !out->splash.load(png + "-splash.png") ||
      !info.open(QIODevice::ReadOnly)) {
    *error = "no picture from the child: " + QString::fromLocal8Bit(child.readAll());
    return false;
  }
  QTextStream in(&info);
  int l = 0, t = 0, r = 0, b = 0;
  in >> l >> t >> r >> b;
  out->plot = QRect(QPoint(l, t), QPoint(r, b));
  in >> l >> t >> r >> b;
  out->icon = QRect(l, t, r, b);
  return true;
}

// The two pictures, taken once for all the checks.
struct Pictures {
  bool ok = false;
  QString error;
  Picture one, two;
};

const Pictures& TakenPictures() {
  static const Pictures pictures = [] {
    Pictures p;
    QTemporaryDir dir;
    p.ok = dir.isValid() && TakePicture(dir.path(), 1, &p.one, &p.error) &&
           TakePicture(dir.path(), 2, &p.two, &p.error);
    return p;
  }();
  return pictures;
}

// Rows of the plot box's blue top edge crossing column x, a few pixels either side of y0.
int BlueRowsAt(const QImage& image, int x, int y0) {
  int rows = 0;
  for (int y = y0 - 3; y <= y0 + 3; ++y) rows += image.pixel(x, y) == qRgb(0, 0, 255);
  return rows;
}

}  // namespace

// Run by the test below in a process of its own; on its own it has nothing to do.
TEST(HighDpiWindow, TakesItsPicture) {
  const char* path = std::getenv(kPictureVariable);
  if (path == nullptr) GTEST_SKIP() << "taken only for HighDpiWindow.DoublesAndStaysSharp";
  AppSession session("tone:1000");
  ASSERT_TRUE(session.ok()) << session.error();
  // The window fills the screen less its frame, whose margins are whole device pixels: a set
  // size keeps them out of the comparison.
  session.Frame()->setFixedSize(1280, 960);
  Pump(100ms);
  // The charts are laid out when the mode's view is made: make it again at this size.
  SendCommandTo(session.Frame(), session.App().m_nDisplayMode);
  Pump(100ms);
  session.ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return session.App().m_nAnalysisUpdates >= 1; }, 10s));
  session.ClickPower();
  Pump(100ms);
  CMainFrame* frame = session.Frame();
  ASSERT_TRUE(frame->grab().toImage().save(path));
  const ChartCtrl& chart = session.View()->Chart2D(0);
  const DcRect plot = chart.GetPlotRect();
  const QPoint origin = chart.mapTo(frame, QPoint(kClientEdgeWidth, kClientEdgeWidth));
  QFile info(QString(path) + ".txt");
  ASSERT_TRUE(info.open(QIODevice::WriteOnly));
  CSplashWnd splash;
  ASSERT_TRUE(splash.Create(119));
  ASSERT_TRUE(splash.grab().toImage().save(QString(path) + "-splash.png"));
  CNavBarCtrl* bar = frame->NavBar();
  const QRect icon = bar->ItemIconRect(0);
  const QPoint at = bar->mapTo(frame, icon.topLeft());
  QTextStream(&info) << origin.x() + plot.left << ' ' << origin.y() + plot.top << ' '
                     << origin.x() + plot.right << ' ' << origin.y() + plot.bottom << '\n'
                     << at.x() << ' ' << at.y() << ' ' << icon.width() << ' ' << icon.height()
                     << '\n';
}

TEST(HighDpiWindow, DoublesAndStaysSharp) {
  const Pictures& pictures = TakenPictures();
  ASSERT_TRUE(pictures.ok) << pictures.error.toStdString();
  const Picture& one = pictures.one;
  const Picture& two = pictures.two;

  // The same layout: every size twice over.
  EXPECT_EQ(two.image.size(), one.image.size() * 2);
  // The plot leaves room for its labels, whose widths round a little differently at the finer
  // density.
  EXPECT_NEAR(two.plot.left(), one.plot.left(), 2);
  EXPECT_NEAR(two.plot.top(), one.plot.top(), 2);
  EXPECT_NEAR(two.plot.width(), one.plot.width(), 3);
  EXPECT_NEAR(two.plot.height(), one.plot.height(), 3);

  // The plot box's top edge is one pixel thin at either scale: at the density of the screen,
  // not one enlarged pixel.
  const int x = (one.plot.left() + one.plot.right()) / 2;
  EXPECT_EQ(BlueRowsAt(one.image, x, one.plot.top()), 1);
  EXPECT_EQ(BlueRowsAt(two.image, 2 * x + 1, 2 * two.plot.top()), 1);

  // Drawn at the full resolution, not enlarged with smoothing: the trace is pure red, with no
  // pixel half way to the white behind it.
  int red = 0, blended = 0;
  const QRect inside(2 * two.plot.left() + 4, 2 * two.plot.top() + 4, 2 * two.plot.width() - 8,
                     2 * two.plot.height() - 8);
  for (int y = inside.top(); y < inside.bottom(); ++y) {
    for (int x2 = inside.left(); x2 < inside.right(); ++x2) {
      const QColor c = two.image.pixelColor(x2, y);
      red += c == QColor(255, 0, 0);
      blended += c.red() == 255 && c.green() == c.blue() && c.green() > 0 && c.green() < 255;
    }
  }
  EXPECT_GT(red, 1000);
  EXPECT_EQ(blended, 0);
}

TEST(HighDpiWindow, SplashShowsItsFinePictureOnADenseScreen) {
  const Pictures& pictures = TakenPictures();
  ASSERT_TRUE(pictures.ok) << pictures.error.toStdString();
  const Picture& one = pictures.one;
  const Picture& two = pictures.two;
  ASSERT_EQ(two.splash.size(), one.splash.size() * 2);
  // Inside the border, pixel for pixel the picture drawn at twice the size, not the small one
  // enlarged.
  const QImage fine = QImage(":/bitmap/119@2x.png").convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(fine.size(), (one.splash.size() - QSize(2, 2)) * 2);
  const QImage shown =
      two.splash.copy(QRect(QPoint(2 * kSplashBorder, 2 * kSplashBorder), fine.size()))
          .convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(shown == fine);
}

TEST(HighDpiWindow, NavigationIconsAreTheFineArtOnADenseScreen) {
  const Pictures& pictures = TakenPictures();
  ASSERT_TRUE(pictures.ok) << pictures.error.toStdString();
  const Picture& one = pictures.one;
  const Picture& two = pictures.two;
  ASSERT_EQ(two.icon, one.icon);
  ASSERT_EQ(one.icon.size(), QSize(32, 32));
  // The first icon's own pixels (the grey around it is see-through) are the strip drawn at
  // twice the size, one for one.
  const QImage fine = QImage(":/bitmap/117@2x.png").convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(fine.size(), QSize(6 * 64, 64));
  int compared = 0, differ = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const QRgb art = fine.pixel(x, y);
      if (art == qRgb(128, 128, 128)) continue;
      ++compared;
      differ += two.image.pixel(2 * two.icon.left() + x, 2 * two.icon.top() + y) != art;
    }
  }
  EXPECT_GT(compared, 1000);
  EXPECT_EQ(differ, 0);
}
