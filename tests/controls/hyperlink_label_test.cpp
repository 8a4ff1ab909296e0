#include "controls/hyperlink_label.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include "controls/link_opener.h"
#include "platform/message_box.h"

namespace {

const QColor kBlue(0, 0, 238);
const QColor kPurple(85, 26, 139);
const QColor kRed(255, 0, 0);

class HyperlinkTest : public ::testing::Test {
 protected:
  void TearDown() override { SetLinkOpener(m_previous); }
  void OpenerSays(bool opened) {
    m_previous = SetLinkOpener([this, opened](const QString& a) {
      m_opened.push_back(a);
      return opened;
    });
  }
  MessageRecorder m_messages;
  LinkOpener m_previous;
  std::vector<QString> m_opened;
};

TEST_F(HyperlinkTest, EmptyLabelShowsItsAddress) {
  HyperlinkLabel empty;
  empty.SetLinkAddress("mailto:support@aurivue.invalid");
  EXPECT_EQ(empty.text(), "mailto:support@aurivue.invalid");
  EXPECT_EQ(empty.toolTip(), "mailto:support@aurivue.invalid");
  // A label with text takes its text as address until told otherwise.
  HyperlinkLabel named("https://aurivue.invalid/");
  EXPECT_EQ(named.LinkAddress(), "https://aurivue.invalid/");
  EXPECT_EQ(named.CurrentTextColour(), kBlue);
}

TEST_F(HyperlinkTest, HoverLookEndsAfterTheMouseLeaves) {
  QWidget window;
  window.resize(300, 100);
  auto* label = new HyperlinkLabel("https://aurivue.invalid/", &window);
  label->move(10, 10);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_FALSE(label->font().underline());

  QCursor::setPos(label->mapToGlobal(QPoint(2, 2)));
  QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(label, &move);
  ASSERT_TRUE(label->IsHovering());
  EXPECT_EQ(label->CurrentTextColour(), kRed);
  EXPECT_TRUE(label->font().underline());

  QCursor::setPos(window.mapToGlobal(QPoint(290, 90)));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !label->IsHovering(); }, 2000));
  EXPECT_EQ(label->CurrentTextColour(), kBlue);
  EXPECT_FALSE(label->font().underline());
}

TEST_F(HyperlinkTest, FailedOpenLeavesItBlueAndSaysWhy) {
  OpenerSays(false);
  HyperlinkLabel label("https://aurivue.invalid/");
  QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
  EXPECT_EQ(m_opened, (std::vector<QString>{"https://aurivue.invalid/"}));
  EXPECT_FALSE(label.IsVisited());
  EXPECT_EQ(label.CurrentTextColour(), kBlue);
  EXPECT_EQ(m_messages.Texts(),
            (std::vector<std::string>{"Unable to open hyperlink:\n\nThere is no application "
                                      "associated\nwith the given filename extension."}));
}

TEST_F(HyperlinkTest, MissingLocalFileIsReportedAsNotFound) {
  OpenerSays(true);
  HyperlinkLabel label("file:///nonexistent/aurivue/guide.html");
  label.OpenLink();
  EXPECT_TRUE(m_opened.empty());
  EXPECT_EQ(
      m_messages.Texts(),
      (std::vector<std::string>{"Unable to open hyperlink:\n\nThe specified file was not found."}));
  EXPECT_EQ(LinkErrorText(99), "Unknown Error (99) occurred.");
}

TEST_F(HyperlinkTest, SuccessfulOpenMarksItVisited) {
  OpenerSays(true);
  HyperlinkLabel label("mailto:support@aurivue.invalid");
  QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
  EXPECT_EQ(m_opened, (std::vector<QString>{"mailto:support@aurivue.invalid"}));
  EXPECT_TRUE(label.IsVisited());
  EXPECT_EQ(label.CurrentTextColour(), kPurple);
  EXPECT_TRUE(m_messages.Texts().empty());
  label.SetUnderlineMode(1);
  EXPECT_TRUE(label.font().underline());
}

}  // namespace
