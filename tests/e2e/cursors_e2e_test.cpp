// Cursors and markers in the program: the built program's peak and cursor rows and checks, and
// in the real application object the Cursors menu, keys and mouse on the real chart, a mode
// change and a zoom keeping the cursors, snapping on a square and the CSV lines.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <cmath>
#include <map>

#include "acquisition/current_app.h"
#include "e2e_reliability_support.h"
#include "features/cursors/cursors_feature.h"
#include "instrument_support.h"
#include "platform/file_services.h"
#include "platform/user_profile.h"
#include "shell/main_frame.h"
#include "shell/setup_commands.h"
#include "support/needs_environment.h"
#include "support/private_profile.h"
#include "support/private_program.h"
#include "support/profile_lock.h"
#include "view/csv_export.h"

using namespace e2e;
using namespace instrument;

namespace {

// "left.peak1_hz" -> its row of a measurement file.
std::map<QString, QStringList> MeasurementRows(const QString& path) {
  std::map<QString, QStringList> out;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return out;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QStringList cells = QString::fromUtf8(line).split(',');
    if (cells.size() >= 5) out[cells[0] + "." + cells[1]] = cells;
  }
  return out;
}

double Value(const std::map<QString, QStringList>& rows, const char* name) {
  const auto it = rows.find(name);
  if (it == rows.end() || it->second[4] != "1") return NAN;
  return it->second[2].toDouble();
}

class CursorProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(m_program.ok(), "the program is not built (build/src/aurivue)");
    ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
    // The cursors other tests turn on in the shared profile would show in the runs without
    // --cursors.
    m_program.SetEnv("XDG_CONFIG_HOME", m_program.Path("config"));
  }
  PrivateProgram m_program;
};

}  // namespace

// A square wave is a known multitone: its odd harmonics at 1/3, 1/5 ... of the fundamental.
TEST_F(CursorProgramTest, MarkerRowsOfASquareWave) {
  const QString csv = m_program.Path("m.csv");
  const auto r = m_program.Run({"--input", "tone:left=1000,square,0.5", "--mode", "600", "--power",
                                "--frames", "3", "--markers", "3", "--measure", csv, "--expect",
                                "left.peak2_hz=3000+-0.5", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  const auto rows = MeasurementRows(csv);
  const struct {
    const char* hz;
    const char* db;
    double frequency;
    double amplitude;  // of the full-scale sine
  } peaks[] = {{"left.peak1_hz", "left.peak1_db", 1000, 0.5 * 4 / M_PI},
               {"left.peak2_hz", "left.peak2_db", 3000, 0.5 * 4 / (3 * M_PI)},
               {"left.peak3_hz", "left.peak3_db", 5000, 0.5 * 4 / (5 * M_PI)}};
  for (const auto& p : peaks) {
    EXPECT_NEAR(Value(rows, p.hz), p.frequency, 0.5) << p.hz;
    EXPECT_NEAR(Value(rows, p.db), 20 * std::log10(p.amplitude), 0.1) << p.db;
    EXPECT_EQ(rows.at(p.db)[3], "dBFS");
  }
  // The silent right channel has no peaks: its rows are there, not valid.
  ASSERT_EQ(rows.count("right.peak3_hz"), 1u);
  EXPECT_EQ(rows.at("right.peak3_hz")[4], "0");
  EXPECT_EQ(rows.count("left.peak4_hz"), 0u);
  EXPECT_EQ(rows.count("cursor.dx"), 0u) << "no cursor rows without --cursors";

  const auto failed = m_program.Run({"--input", "tone:left=1000,square,0.5", "--power", "--frames",
                                     "2", "--markers", "2", "--expect", "left.peak2_hz=5000+-0.5",
                                     "--expect", "left.peak3_hz>0", "--quit"});
  ASSERT_TRUE(failed.finished);
  EXPECT_EQ(failed.exitCode, 3);
  EXPECT_TRUE(failed.err.contains("failed: left.peak2_hz is 3000") ||
              failed.err.contains("failed: left.peak2_hz is 2999.9"))
      << failed.err.toStdString();
  EXPECT_TRUE(failed.err.contains("left.peak3_hz was not measured")) << failed.err.toStdString();
}

TEST_F(CursorProgramTest, CursorRowsAndCsvLinesInTheChartsUnits) {
  const QString measure = m_program.Path("m.csv");
  const QString csv = m_program.Path("display.csv");
  const auto r = m_program.Run({"--input", "tone:1000", "--mode", "602", "--power", "--frames", "2",
                                "--cursors", "1.5,3.5,-200,300", "--measure", measure,
                                "--export-csv", csv, "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  const auto rows = MeasurementRows(measure);
  EXPECT_DOUBLE_EQ(Value(rows, "cursor.dx"), 2.0);
  EXPECT_EQ(rows.at("cursor.dx")[3], "ms");
  EXPECT_DOUBLE_EQ(Value(rows, "cursor.inv_dx"), 500.0);
  EXPECT_EQ(rows.at("cursor.inv_dx")[3], "Hz");
  EXPECT_DOUBLE_EQ(Value(rows, "cursor.dy"), 500.0);
  EXPECT_EQ(rows.at("cursor.dy")[3], "mV");
  QFile f(csv);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(f.readAll());
  for (const char* line :
       {"# cursor_x1: 1.5 ms\n", "# cursor_x2: 3.5 ms\n", "# cursor_dx: 2 ms\n",
        "# cursor_inv_dx: 500 Hz\n", "# cursor_y1: -200 mV\n", "# cursor_dy: 500 mV\n"}) {
    EXPECT_TRUE(text.contains(line)) << line << text.left(1200).toStdString();
  }
  // Without cursors the file has no such line.
  const auto plain = m_program.Run(
      {"--input", "tone:1000", "--power", "--frames", "1", "--export-csv", csv, "--quit"});
  ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
  QFile g(csv);
  ASSERT_TRUE(g.open(QIODevice::ReadOnly));
  EXPECT_FALSE(QString::fromUtf8(g.readAll()).contains("cursor"));
}

namespace {

// The program in this process on a 1 kHz square, its cursor choices kept out of the shared
// profile.
class CursorAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_profileLock = std::make_unique<support::ProfileLock>();
    m_profile = std::make_unique<support::PrivateProfile>();
    QStandardPaths::setTestModeEnabled(true);
    UserProfile().remove("Cursors");
    ASSERT_TRUE(WriteFileReplacing(JoinPath(ProgramDirectory(), "Aurivue.ini"), kKnownSettings));
    m_session = std::make_unique<AppSession>("tone:1000,square,0.5");
    ASSERT_TRUE(m_session->ok()) << m_session->error();
    ASSERT_EQ(m_session->App().m_nDisplayMode, 602);
    m_session->ClickPower();
    ASSERT_TRUE(WaitForUpdates(2));
  }
  void TearDown() override {
    m_session.reset();
    UserProfile().remove("Cursors");
  }

  bool WaitForUpdates(int count) {
    const uint64_t target = m_session->App().m_nAnalysisUpdates + count;
    return PumpUntil([&] { return m_session->App().m_nAnalysisUpdates >= target; }, 10s);
  }
  // The Cursors menu's item of command id, triggered as a click on it does.
  void Choose(int id) {
    QMenu* menu = MenuNamed(m_session->Frame()->menuBar(), "Cursors");
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions()) {
      if (a->data().toInt() == id) {
        emit menu->aboutToShow();
        a->trigger();
        return;
      }
    }
    FAIL() << "no item " << id;
  }
  bool Checked(int id) {
    QMenu* menu = MenuNamed(m_session->Frame()->menuBar(), "Cursors");
    emit menu->aboutToShow();
    for (QAction* a : menu->actions()) {
      if (a->data().toInt() == id) return a->isChecked();
    }
    return false;
  }
  ChartCtrl& Chart() { return m_session->View()->Chart2D(0); }
  // Mouse and keys at client pixels of the chart, inside its 2-px edge.
  void Mouse(QEvent::Type type, QPoint p) {
    const QPointF at(p.x() + 2, p.y() + 2);
    QMouseEvent e(type, at, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&Chart(), &e);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&Chart(), &e);
  }
  double Value(int id) { return Chart().GetCursorLayer()->CursorValue(id); }

  std::unique_ptr<support::ProfileLock> m_profileLock;
  std::unique_ptr<support::PrivateProfile> m_profile;
  std::unique_ptr<AppSession> m_session;
};

}  // namespace

TEST_F(CursorAppTest, MenuKeysMouseModeChangeAndZoomKeepTheCursors) {
  EXPECT_EQ(Chart().GetCursorLayer(), nullptr) << "no layer until a cursor is asked for";
  Choose(ID_CURSOR_X1);
  ASSERT_TRUE(WaitForUpdates(1));
  ASSERT_NE(Chart().GetCursorLayer(), nullptr);
  EXPECT_TRUE(Checked(ID_CURSOR_X1));
  // Inside the 10 ms of the frame, where a cursor turned on appears.
  const double start = Value(kCursorX1);
  EXPECT_NEAR(start, 3.0, 1e-9);
  const double pixelMs = 10.0 / Chart().GetPlotRect().Width();
  Key(Qt::Key_Right);
  EXPECT_NEAR(Value(kCursorX1) - start, pixelMs, 0.02 * pixelMs);
  Key(Qt::Key_Left);
  Key(Qt::Key_Right, Qt::ShiftModifier);  // one division: 1 ms
  EXPECT_NEAR(Value(kCursorX1) - start, 1.0, 1e-9);
  // A drag moves it; Y1 goes under the mouse with key 3.
  const QPoint at =
      Chart().GetCursorLayer()->PixelX(Value(kCursorX1), Chart().CursorView()) * QPoint(1, 0) +
      QPoint(0, 100);
  Mouse(QEvent::MouseButtonPress, at);
  Mouse(QEvent::MouseMove, at + QPoint(40, 0));
  Mouse(QEvent::MouseButtonRelease, at + QPoint(40, 0));
  const double dragged = Value(kCursorX1);
  EXPECT_NEAR(dragged - 4.0, 40 * pixelMs, 1.5 * pixelMs);
  Chart().MouseMovedTo(QPoint(at.x(), Chart().GetPlotRect().top + 10));
  Key(Qt::Key_3);
  EXPECT_TRUE(Checked(ID_CURSOR_Y1)) << "a cursor put down with a key is on";

  // Another display and back: the oscillograph's cursors stand where they were.
  const double y1 = Value(kCursorY1);
  ASSERT_TRUE(m_session->ClickNavItem(0, 0));
  ASSERT_TRUE(WaitForUpdates(1));
  ASSERT_NE(Chart().GetCursorLayer(), nullptr);
  EXPECT_TRUE(Chart().GetCursorLayer()->IsCursorOn(kCursorX1));
  ASSERT_TRUE(m_session->ClickNavItem(0, 2));
  ASSERT_TRUE(WaitForUpdates(1));
  EXPECT_DOUBLE_EQ(Value(kCursorX1), dragged);
  EXPECT_TRUE(Chart().GetCursorLayer()->IsCursorOn(kCursorY1));
  EXPECT_DOUBLE_EQ(Value(kCursorY1), y1);

  // A zoom and new frames leave the values; the pixel moves with the zoom.
  const int before = ChartCursorLayer::PixelX(dragged, Chart().CursorView());
  Chart().WheelAt(QPoint(Chart().GetPlotRect().left + 20, 100), 2, false);
  ASSERT_TRUE(WaitForUpdates(1));
  EXPECT_DOUBLE_EQ(Value(kCursorX1), dragged);
  EXPECT_NE(ChartCursorLayer::PixelX(dragged, Chart().CursorView()), before);

  // The setup holds them, Export CSV names them; turned off, neither does.
  const InstrumentState state = CaptureInstrumentState(*m_session->Frame());
  EXPECT_TRUE(state.cursors.on[kCursorX1] && state.cursors.placed[kCursorX1]);
  EXPECT_DOUBLE_EQ(state.cursors.value[kCursorX1], dragged);
  auto lines = [] {
    std::string all;
    for (const auto& [name, value] : CollectCsvMetadata(CurrentApp(), "t")) all += name + ";";
    return all;
  };
  EXPECT_NE(lines().find("cursor_x1;"), std::string::npos) << lines();
  EXPECT_NE(lines().find("cursor_y1;"), std::string::npos) << lines();
  Choose(ID_CURSOR_X1);
  Choose(ID_CURSOR_Y1);
  EXPECT_FALSE(Checked(ID_CURSOR_X1));
  EXPECT_EQ(lines().find("cursor"), std::string::npos) << lines();
  // The on/off choices are kept in the profile.
  EXPECT_FALSE(LoadCursorProfile().on[kCursorX1]);
}

TEST_F(CursorAppTest, SnappedCursorsOnSuccessiveRisingEdgesReadTheSquaresFrequency) {
  Choose(ID_CURSOR_SNAP);
  ASSERT_TRUE(WaitForUpdates(1));
  m_session->ClickPower();  // the frame holds still from here on
  // Rising crossings of the middle in the trace shown, between samples.
  const GivenPoints g = Chart().GetGivenPoints(0);
  ASSERT_GT(g.count, 100);
  std::vector<double> edges;
  for (int i = 1; i < g.count; ++i) {
    if (g.y[i - 1] < 0 && g.y[i] >= 0) edges.push_back(g.x[i]);
  }
  ASSERT_GE(edges.size(), 4u);
  // Keys 1 and 2 with the mouse a few pixels off two successive rising edges.
  const CursorChartView view = Chart().CursorView();
  Chart().MouseMovedTo(QPoint(ChartCursorLayer::PixelX(edges[1], view) + 3, 100));
  Key(Qt::Key_1);
  Chart().MouseMovedTo(QPoint(ChartCursorLayer::PixelX(edges[2], view) - 3, 100));
  Key(Qt::Key_2);
  const CursorNumbers n = CursorsFeature::Instance()->FirstChartNumbers();
  ASSERT_TRUE(n.hasInvDx);
  EXPECT_EQ(n.invUnit, "Hz");
  EXPECT_NEAR(n.invDx, 1000.0, 0.5);  // 0.05 %
}

TEST_F(CursorAppTest, PeakMarkersOnTheSpectrumWithTheirTable) {
  ASSERT_TRUE(m_session->ClickNavItem(0, 0));
  ASSERT_TRUE(WaitForUpdates(1));
  Choose(ID_MARKER_PEAK);
  Choose(ID_MARKER_NEXT_PEAK);
  Choose(ID_MARKER_REFERENCE);
  ASSERT_TRUE(WaitForUpdates(1));
  const ChartCursorLayer* layer = Chart().GetCursorLayer();
  ASSERT_NE(layer, nullptr);
  const std::vector<ChartMarker>& markers = layer->Markers();
  ASSERT_EQ(markers.size(), 2u);
  // The fundamental and the third harmonic, a third of its level (-9.54 dB).
  EXPECT_NEAR(markers[0].hz, 1000, 0.03 * 1000);
  EXPECT_NEAR(markers[1].hz, 3000, 0.03 * 1000);
  EXPECT_NEAR(markers[1].db - markers[0].db, 20 * std::log10(1.0 / 3), 0.5);
  EXPECT_TRUE(markers[0].reference);
  const std::vector<std::string> table = MarkerTableLines(markers);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].rfind("R  ", 0), 0u) << table[0];
  std::string all;
  for (const auto& [name, value] : CollectCsvMetadata(CurrentApp(), "t")) {
    all += name + ": " + value + "\n";
  }
  EXPECT_NE(all.find("marker2: "), std::string::npos) << all;
  EXPECT_NE(all.find(", delta "), std::string::npos) << all;
  Choose(ID_MARKER_CLEAR);
  EXPECT_TRUE(Chart().GetCursorLayer()->Markers().empty());
}
