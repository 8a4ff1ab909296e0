#include "features/instrument_feature.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "view/display_modes.h"

QMenu* MenuNamed(QMenuBar* bar, const QString& title) {
  if (bar == nullptr) return nullptr;
  for (QAction* a : bar->actions()) {
    if (a->menu() != nullptr && a->text().remove('&') == title) return a->menu();
  }
  return nullptr;
}

std::vector<int> AnalyserDisplayModes(const InstrumentFeatures& features) {
  std::vector<int> modes;
  for (const DisplayModeInfo& info : DisplayModes()) {
    if (info.mode / 10 - 60 != kAnalyserFolder) continue;
    for (const auto& feature : features) {
      ViewFeature* part = feature->ViewPart();
      if (part != nullptr && part->ShowsDisplay(info.mode)) {
        modes.push_back(info.mode);
        break;
      }
    }
  }
  return modes;
}
