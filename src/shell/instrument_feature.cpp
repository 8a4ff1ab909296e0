#include "shell/instrument_feature.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "shell/setup_commands.h"

QMenu* MenuNamed(QMenuBar* bar, const QString& title) {
  if (bar == nullptr) return nullptr;
  for (QAction* a : bar->actions()) {
    if (a->menu() != nullptr && a->text().remove('&') == title) return a->menu();
  }
  return nullptr;
}

std::vector<std::unique_ptr<InstrumentFeature>> MakeInstrumentFeatures(CMainFrame* frame) {
  std::vector<std::unique_ptr<InstrumentFeature>> features;
  features.push_back(std::make_unique<SetupCommands>(frame));
  return features;
}
