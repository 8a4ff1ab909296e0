#include <gtest/gtest.h>

#include <QApplication>
#include <QTextBrowser>

#include "platform/command_ids.h"
#include "support/file_bytes.h"
#include "view_test_support.h"

namespace {

QTextBrowser* OpenHelpBrowser() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->windowTitle() == "Aurivue 2.0 Help") {
      return w->findChild<QTextBrowser*>();
    }
  }
  return nullptr;
}

TEST(ScopeViewHelpTest, HelpCommandShowsTheHelpFileBesideTheProgram) {
  ScopeViewHost host(2, 16, 44100);
  WriteFileBytes(host.app.m_szHelpPath, "Turn the time base switch to zoom in.\n");
  CAurivueView& view = host.MakeView(602);
  view.show();
  ASSERT_TRUE(SendCommandTo(&view, ID_HELP_CONTENTS));
  QTextBrowser* browser = OpenHelpBrowser();
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->toPlainText().contains("time base switch"));
  browser->window()->close();
  EXPECT_TRUE(host.messages.Texts().empty());
}

}  // namespace
