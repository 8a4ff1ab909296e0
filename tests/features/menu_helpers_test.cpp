// The helpers every feature builds its menus with, on menu bars the program never has: the
// whole program's menus are pinned in feature_menus_test.cpp, but only as all features make them.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <string>
#include <vector>

#include "features/instrument_feature.h"
#include "platform/message_target.h"

namespace {

class CommandSink : public QWidget, public MessageTarget {
 public:
  bool OnCommand(int id) override {
    received.push_back(id);
    return true;
  }
  std::vector<int> received;
};

// The bar's menu titles, one line.
std::string Titles(QMenuBar& bar) {
  QStringList titles;
  for (const QAction* a : bar.actions()) titles << a->text();
  return titles.join(' ').toStdString();
}

void AddMenus(QMenuBar& bar, const QStringList& titles) {
  for (const QString& title : titles) bar.addMenu(title);
}

}  // namespace

// Where the View menu goes when the first feature that wants it asks, and that the next one
// finds it: the bar's order must not depend on which features the program has.
TEST(MenuHelpersTest, TheViewMenuStandsAfterSetupWhoeverMakesIt) {
  const struct {
    QStringList before;
    QStringList after;
  } cases[] = {
      {{"&File", "&Setup", "&Help"}, {"&File", "&Setup", "&View", "&Help"}},
      // Menus other features put before Help stay after View.
      {{"&File", "&Setup", "&Trigger", "S&pectrum", "&Help"},
       {"&File", "&Setup", "&View", "&Trigger", "S&pectrum", "&Help"}},
      {{"&File", "&Setup"}, {"&File", "&Setup", "&View"}},
      {{"&File", "&Help"}, {"&File", "&View", "&Help"}},
      {{"&File"}, {"&File", "&View"}},
      {{"&File", "&Setup", "&View", "&Trigger", "&Help"},
       {"&File", "&Setup", "&View", "&Trigger", "&Help"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before.join(' ').toStdString());
    QMenuBar bar;
    AddMenus(bar, c.before);
    QMenu* view = ViewMenu(&bar);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->title(), "&View");
    EXPECT_EQ(ViewMenu(&bar), view);
    EXPECT_EQ(Titles(bar), c.after.join(' ').toStdString());
  }
  EXPECT_EQ(ViewMenu(nullptr), nullptr);
}

// The insert points, on a menu of items 1, 2, a separator, 3, a submenu, a separator and 9.
TEST(MenuHelpersTest, InsertPointsAreFoundByCommandId) {
  CommandSink owner;
  QMenu menu;
  AddCommand(&menu, &owner, "One", 1, "");
  AddCommand(&menu, &owner, "Two", 2, "");
  menu.addSeparator();
  AddCommand(&menu, &owner, "Three", 3, "");
  menu.addMenu("Sub");
  menu.addSeparator();
  AddCommand(&menu, &owner, "Nine", 9, "");
  const QList<QAction*> items = menu.actions();
  ASSERT_EQ(items.size(), 7);

  enum Helper { kItem, kAfter, kGroupStart };
  const struct {
    Helper helper;
    int id;
    int expected;  // index in items, -1 for nullptr (the end of the menu)
  } cases[] = {
      {kItem, 3, 3},         {kItem, 42, -1},
      {kItem, 0, -1},  // separators and submenus carry no command
      {kAfter, 1, 1},        {kAfter, 3, 4},
      {kAfter, 9, -1},       {kAfter, 42, -1},
      {kGroupStart, 9, 5},   {kGroupStart, 3, 2},
      {kGroupStart, 2, 1},   {kGroupStart, 1, 0},  // the first item has nothing above it
      {kGroupStart, 42, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "helper " << c.helper << " id " << c.id);
    QAction* found = c.helper == kItem    ? CommandItem(&menu, c.id)
                     : c.helper == kAfter ? ItemAfter(&menu, c.id)
                                          : GroupStartOf(&menu, c.id);
    EXPECT_EQ(found, c.expected < 0 ? nullptr : items[c.expected]);
  }
  EXPECT_EQ(CommandItem(nullptr, 1), nullptr);
}

// An item sends its own id to its owner, as a click does; a made item waits to be inserted.
TEST(MenuHelpersTest, ACommandItemSendsItsIdToItsOwner) {
  auto* owner = new CommandSink;
  QMenu menu;
  QAction* added = AddCommand(&menu, owner, "&Added\tF5", 7, "the tip", true);
  QAction* made = MakeCommand(&menu, owner, "&Made", 8, "another tip");
  EXPECT_EQ(menu.actions(), QList<QAction*>({added}));
  EXPECT_TRUE(added->shortcut().isEmpty()) << "a key hint is text only";
  added->trigger();
  made->trigger();
  added->trigger();
  EXPECT_EQ(owner->received, std::vector<int>({7, 8, 7}));
  // The window may go before the menu: a click then reaches nobody.
  delete owner;
  made->trigger();
}
