#pragma once

#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analysis/spectrum_markers.h"
#include "features/cursors/cursor_settings.h"
#include "features/instrument_feature.h"
#include "platform/command_ids.h"
#include "view/aurivue_view.h"

class ChartCtrl;
class QAction;
class QMenu;

// What the first chart's cursors read, for a measurement file: dx, 1/dx and dy with their
// units (1/dx in hertz when x is a time).
struct CursorNumbers {
  bool hasDx = false, hasInvDx = false, hasDy = false;
  double dx = 0, invDx = 0, dy = 0;
  std::string xUnit, invUnit, yUnit;
};

// The cursors and markers of every 2-D chart the scope view shows, its own and the features'
// displays' alike: the Cursors menu, the readout the chart layer draws, the peak markers of the
// spectrum charts with their table, and the lines they add to Export CSV.
class CursorsFeature : public InstrumentFeature, public ViewFeature {
 public:
  CursorsFeature();
  ~CursorsFeature() override;
  CursorsFeature(const CursorsFeature&) = delete;
  CursorsFeature& operator=(const CursorsFeature&) = delete;

  // The program's one instance, for the setup and the scripted run; nullptr when none.
  static CursorsFeature* Instance();

  void CreateParts(const FrameParts& parts) override;
  bool OnCommand(int id) override;
  void UpdateCommands() override;
  ViewFeature* ViewPart() override { return this; }
  const ParameterTable* SetupTable() const override;
  void ReadSetup(void* settings) const override;
  void ApplySetup(const void* settings, const SetupApplication& how) override;

  void DisplayBuilt(CAurivueView& view, int mode) override;
  void DisplayDrawn(CAurivueView& view, int mode) override;
  void DisplayGoing(CAurivueView& view, int mode) override;

  // The choices in force, the first chart's positions among them; Apply puts settings in force
  // on the charts shown (positions the settings place go to the first chart).
  CursorSettings Settings() const;
  void Apply(const CursorSettings& settings);

  // The first chart's cursor readings now (from the settings' positions before it drew).
  CursorNumbers FirstChartNumbers() const;
  // The metadata lines of the cursors and markers on, "cursor_x1" = "0.25 ms" and so on.
  std::vector<std::pair<std::string, std::string>> CsvLines() const;

 private:
  struct Memory {
    bool placed[4] = {false, false, false, false};
    double value[4] = {0, 0, 0, 0};  // in the chart's data units
    bool logX = false;
  };
  struct ChartMarkers {
    MarkerSet set;
  };

  std::vector<ChartCtrl*> Charts() const;
  // Something asked of the charts: a cursor or marker, or track or snap (so that keys 1 to 4
  // put cursors down).
  bool Active() const {
    return m_settings.AnyCursor() || m_settings.markers > 0 || m_settings.track || m_settings.snap;
  }
  // Puts the choices on chart i of the display shown; a chart that has drawn gets positions.
  void ApplyTo(ChartCtrl& chart, int index, bool drawn);
  void Harvest();
  void UpdateMarkers(CAurivueView& view, int mode);
  void RefreshCharts();
  void SaveProfile() const;

  CursorSettings m_settings;
  QPointer<CAurivueView> m_pView;
  int m_nMode = 0;
  bool m_bDrawn = false;
  std::vector<QPointer<ChartCtrl>> m_charts;
  std::map<std::pair<int, int>, Memory> m_memory;  // (mode, chart)
  ChartMarkers m_markers[2];
  std::map<int, QAction*> m_actions;
  std::function<CAurivueView*()> m_scopeView;
  // The window lobe of the last marker reading, remade when the transform changes.
  std::unique_ptr<WindowLobe> m_pLobe;
  std::vector<double> m_lobeKey;
  std::vector<double> m_magnitudes;
};
