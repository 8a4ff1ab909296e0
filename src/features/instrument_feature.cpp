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
  // A feature's menu that lives in another menu.
  for (QAction* a : bar->actions()) {
    if (a->menu() == nullptr) continue;
    for (QAction* item : a->menu()->actions()) {
      if (item->menu() != nullptr && item->text().remove('&') == title) return item->menu();
    }
  }
  return nullptr;
}

QMenu* AddFeatureMenu(QMenuBar* bar, const QString& title) {
  if (bar == nullptr) return nullptr;
  QMenu* view = MenuNamed(bar, "View");
  auto* menu = new QMenu(title, view != nullptr ? static_cast<QWidget*>(view) : bar);
  if (view != nullptr) {
    view->addSeparator();
    view->addMenu(menu);
  } else {
    QMenu* help = MenuNamed(bar, "Help");
    bar->insertMenu(help != nullptr ? help->menuAction() : nullptr, menu);
  }
  return menu;
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
