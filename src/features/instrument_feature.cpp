#include "features/instrument_feature.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "platform/message_target.h"
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

QMenu* AddMenuBeforeHelp(QMenuBar* bar, const QString& title) {
  if (bar == nullptr) return nullptr;
  auto* menu = new QMenu(title, bar);
  QMenu* help = MenuNamed(bar, "Help");
  bar->insertMenu(help != nullptr ? help->menuAction() : nullptr, menu);
  return menu;
}

QMenu* ViewMenu(QMenuBar* bar) {
  if (bar == nullptr) return nullptr;
  if (QMenu* view = MenuNamed(bar, "View")) return view;
  const QList<QAction*> menus = bar->actions();
  for (qsizetype i = 0; i < menus.size(); ++i) {
    if (menus[i]->menu() == nullptr || menus[i]->text().remove('&') != "Setup") continue;
    auto* view = new QMenu("&View", bar);
    bar->insertMenu(i + 1 < menus.size() ? menus[i + 1] : nullptr, view);
    return view;
  }
  return AddMenuBeforeHelp(bar, "&View");
}

QMenu* AddFeatureMenu(QMenuBar* bar, const QString& title) {
  QMenu* view = ViewMenu(bar);
  if (view == nullptr) return nullptr;
  auto* menu = new QMenu(title, view);
  view->addSeparator();
  view->addMenu(menu);
  return menu;
}

QAction* MakeCommand(QMenu* menu, QWidget* owner, const QString& text, int id, const QString& tip,
                     bool checkable) {
  auto* action = new QAction(text, menu);
  action->setData(id);
  action->setStatusTip(tip);
  action->setCheckable(checkable);
  // The menu need not be the owner's child: a click after the owner went reaches nobody.
  QObject::connect(action, &QAction::triggered, action,
                   [owner = QPointer<QWidget>(owner), id] { SendCommandTo(owner, id); });
  return action;
}

QAction* AddCommand(QMenu* menu, QWidget* owner, const QString& text, int id, const QString& tip,
                    bool checkable) {
  QAction* action = MakeCommand(menu, owner, text, id, tip, checkable);
  menu->addAction(action);
  return action;
}

QAction* CommandItem(QMenu* menu, int id) {
  if (menu == nullptr) return nullptr;
  for (QAction* item : menu->actions()) {
    if (!item->isSeparator() && item->menu() == nullptr && item->data().toInt() == id) return item;
  }
  return nullptr;
}

QAction* ItemAfter(QMenu* menu, int id) {
  QAction* item = CommandItem(menu, id);
  if (item == nullptr) return nullptr;
  const QList<QAction*> items = menu->actions();
  const qsizetype at = items.indexOf(item);
  return at + 1 < items.size() ? items[at + 1] : nullptr;
}

QAction* GroupStartOf(QMenu* menu, int id) {
  QAction* item = CommandItem(menu, id);
  if (item == nullptr) return nullptr;
  const QList<QAction*> items = menu->actions();
  const qsizetype at = items.indexOf(item);
  return at > 0 && items[at - 1]->isSeparator() ? items[at - 1] : item;
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
