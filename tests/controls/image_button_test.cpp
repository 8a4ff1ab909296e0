#include "controls/image_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QTest>
#include <QWidget>

#include "controls/dialog_control.h"
#include "controls/link_opener.h"
#include "platform/message_target.h"

namespace {

// Every opaque pixel of the icon appears unchanged in the rendered button at `at`.
::testing::AssertionResult ShowsIcon(const QImage& render, const QString& iconPath, QPoint at) {
  const QImage icon = QImage(iconPath).convertToFormat(QImage::Format_ARGB32);
  if (icon.isNull()) return ::testing::AssertionFailure() << "no icon " << iconPath.toStdString();
  int compared = 0;
  for (int y = 0; y < icon.height(); ++y) {
    for (int x = 0; x < icon.width(); ++x) {
      const QRgb want = icon.pixel(x, y);
      if (qAlpha(want) != 255) continue;
      const QRgb got = render.pixel(at.x() + x, at.y() + y);
      if ((got & 0xFFFFFF) != (want & 0xFFFFFF)) {
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
      }
      ++compared;
    }
  }
  if (compared == 0) return ::testing::AssertionFailure() << "icon has no opaque pixel";
  return ::testing::AssertionSuccess();
}

QImage RenderOf(const ImageButton& b) { return b.Render().toImage(); }

class CommandSink : public QWidget, public MessageTarget {
 public:
  bool OnCommand(int id) override {
    commands.push_back(id);
    return true;
  }
  std::vector<int> commands;
};

TEST(ImageButtonTest, CheckModeShowsFirstIconCheckedAndSecondUnchecked) {
  CommandSink parent;
  auto* b = new ImageButton(&parent, IMAGE_BUTTON_AUTOCHECKBOX);
  SetDialogControlId(b, 148);
  b->resize(40, 30);
  ASSERT_TRUE(b->IsCheckMode());
  ASSERT_EQ(b->LoadIconImages(158, 159), 0);
  const QPoint at((40 - 20) / 2, (30 - 20) / 2);  // no text: the 20 x 20 icon is centred

  EXPECT_TRUE(ShowsIcon(RenderOf(*b), ":/icon/159.png", at));
  QTest::mouseClick(b, Qt::LeftButton);
  EXPECT_TRUE(b->IsChecked());
  EXPECT_TRUE(ShowsIcon(RenderOf(*b), ":/icon/158.png", at));
  QTest::mouseClick(b, Qt::LeftButton);
  EXPECT_FALSE(b->IsChecked());
  EXPECT_TRUE(ShowsIcon(RenderOf(*b), ":/icon/159.png", at));
  // Each click also reaches the parent as the button's command.
  EXPECT_EQ(parent.commands, (std::vector<int>{148, 148}));
}

TEST(ImageButtonTest, ClickOpensLinkOutsideCheckModeOnly) {
  std::vector<QString> opened;
  LinkOpener previous = SetLinkOpener([&](const QString& a) {
    opened.push_back(a);
    return true;
  });
  ImageButton push;
  push.SetLinkAddress("https://aurivue.invalid/");
  QTest::mouseClick(&push, Qt::LeftButton);
  ImageButton check(nullptr, IMAGE_BUTTON_AUTOCHECKBOX);
  check.SetLinkAddress("https://other.invalid/");
  QTest::mouseClick(&check, Qt::LeftButton);
  SetLinkOpener(previous);
  EXPECT_EQ(opened, (std::vector<QString>{"https://aurivue.invalid/"}));
  // At most 260 characters are kept.
  push.SetLinkAddress(QString(300, 'a'));
  EXPECT_EQ(push.LinkAddress().size(), 260);
}

TEST(ImageButtonTest, BadColourIndexChangesNothing) {
  ImageButton b;
  b.resize(30, 20);
  std::vector<QColor> before;
  for (int i = 0; i < 6; ++i) before.push_back(b.StateColour(i));
  const QImage renderBefore = RenderOf(b);
  EXPECT_EQ(b.SetStateColour(6, Qt::red), 3);
  EXPECT_EQ(b.SetStateColour(-1, Qt::red), 3);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(b.StateColour(i), before[i]) << i;
  EXPECT_EQ(RenderOf(b), renderBefore);
  EXPECT_EQ(b.SetStateColour(BTNCOLOR_BK_OUT, Qt::red), 0);
  EXPECT_EQ(RenderOf(b).pixelColor(15, 10), QColor(Qt::red));
}

TEST(ImageButtonTest, FlatBorderOnlyWhileHovered) {
  ImageButton b;
  b.resize(30, 20);
  b.SetTrackAlways(true);
  const QColor face = b.palette().color(QPalette::Button);
  const QColor light = b.palette().color(QPalette::Light);
  const QColor dark = b.palette().color(QPalette::Dark);
  ASSERT_NE(light, face);
  ASSERT_NE(dark, face);

  QImage img = RenderOf(b);
  EXPECT_EQ(img.pixel(0, 0), face.rgb());
  EXPECT_EQ(img.pixel(29, 19), face.rgb());

  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(&b, &enter);
  ASSERT_TRUE(b.IsHovering());
  img = RenderOf(b);
  EXPECT_EQ(img.pixel(0, 0), light.rgb());
  EXPECT_EQ(img.pixel(10, 0), light.rgb());
  EXPECT_EQ(img.pixel(29, 19), dark.rgb());
  EXPECT_EQ(img.pixel(29, 5), dark.rgb());

  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&b, &leave);
  EXPECT_FALSE(b.IsHovering());
  img = RenderOf(b);
  EXPECT_EQ(img.pixel(0, 0), face.rgb());
  EXPECT_EQ(img.pixel(29, 19), face.rgb());
}

TEST(ImageButtonTest, BitmapTransparentColourShowsBackground) {
  ImageButton b;
  ASSERT_EQ(b.LoadBitmapImages(180, QColor(255, 255, 255)), 0);
  const QImage bitmap(":/bitmap/180.bmp");
  b.resize(bitmap.width() + 10, bitmap.height() + 10);
  b.SetStateColour(BTNCOLOR_BK_OUT, QColor(10, 200, 10));
  const QImage img = RenderOf(b);
  int white = 0;
  int coloured = 0;
  for (int y = 0; y < bitmap.height(); ++y) {
    for (int x = 0; x < bitmap.width(); ++x) {
      const QColor src = bitmap.pixelColor(x, y);
      const QColor got = img.pixelColor(x + 5, y + 5);
      if (src == QColor(255, 255, 255)) {
        ASSERT_EQ(got, QColor(10, 200, 10)) << x << "," << y;
        ++white;
      } else {
        ASSERT_EQ(got, src) << x << "," << y;
        ++coloured;
      }
    }
  }
  EXPECT_GT(white, 0);
  EXPECT_GT(coloured, 0);
  EXPECT_EQ(b.LoadBitmapImages(9999, Qt::white), 1);
}

TEST(ImageButtonTest, DisablingFocusedButtonMovesFocusOn) {
  QWidget dialog;
  auto* first = new ImageButton(&dialog);
  auto* second = new ImageButton(&dialog);
  first->setGeometry(0, 0, 30, 20);
  second->setGeometry(40, 0, 30, 20);
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  first->setFocus();
  ASSERT_TRUE(first->hasFocus());
  first->setEnabled(false);
  EXPECT_FALSE(first->hasFocus());
  EXPECT_TRUE(second->hasFocus());
}

}  // namespace
