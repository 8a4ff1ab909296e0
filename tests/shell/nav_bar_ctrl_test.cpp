#include "shell/nav_bar_ctrl.h"

#include <gtest/gtest.h>

#include <QTest>

#include "platform/command_ids.h"
#include "shell/image_list.h"

namespace {

// The owner: records every notification.
class Owner : public QWidget, public MessageTarget {
 public:
  long OnMessage(unsigned msg, long wParam, long lParam) override {
    if (msg == WM_NAVBAR_NOTIFY) notes.emplace_back(wParam, lParam);
    return 0;
  }
  std::vector<std::pair<long, long>> notes;
};

const char* const kItems[] = {"Spectrum",  "Phase",       "OscilloGraph",
                              "Lissajous", "Correlation", "Power Spectrum"};

class NavBarCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(large.Create(":/bitmap/117.bmp", 32, QColor(128, 128, 128)));
    owner.resize(200, 600);
    bar = new CNavBarCtrl();
    bar->Create(&owner, QRect(0, 0, 200, 600), NAVBAR_OPT_ANIMATE | NAVBAR_OPT_KEEP_HIGHLIGHT);
    bar->SetOwner(&owner);
    bar->SetImageList(&large, NAVBAR_LARGE_IMAGES);
    bar->SetAnimationDelay(0);
    for (int f = 0; f < 2; ++f) {
      bar->AddFolder(f == 0 ? "2-D SURFACE" : "3-D SURFACE", f);
      for (int i = 0; i < 6; ++i) bar->InsertItem(f, i, kItems[i], i, 0);
    }
    bar->SetSelFolder(0);
    owner.show();
    owner.notes.clear();
  }

  void Click(const QPoint& at) { QTest::mouseClick(bar, Qt::LeftButton, {}, at); }

  CImageList large;
  Owner owner;
  CNavBarCtrl* bar = nullptr;
};

}  // namespace

TEST_F(NavBarCtrlTest, ItemClickNotifiesTheOwnerAndKeepsTheHighlight) {
  const QRect icon = bar->ItemIconRect(3);
  ASSERT_FALSE(icon.isEmpty());
  Click(icon.center());
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(owner.notes[0], std::make_pair(long(NAVBAR_ITEM_CLICK), 3L));
  EXPECT_EQ(bar->GetLastClickedItem(), 3);
  // Clicking the item already shown notifies again.
  Click(icon.center());
  EXPECT_EQ(owner.notes.size(), 2u);
}

TEST_F(NavBarCtrlTest, ReleaseAwayFromThePressedItemSendsNothing) {
  Click(bar->ItemIconRect(1).center());
  owner.notes.clear();
  const QRect pressed = bar->ItemIconRect(4);
  QTest::mousePress(bar, Qt::LeftButton, {}, pressed.center());
  QTest::mouseMove(bar, bar->ItemIconRect(5).center());
  QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->ItemIconRect(5).center());
  EXPECT_TRUE(owner.notes.empty());
  EXPECT_EQ(bar->GetLastClickedItem(), 1);
}

TEST_F(NavBarCtrlTest, FolderHeaderClicks) {
  // The open folder's header does nothing.
  Click(bar->HeaderRect(0).center());
  EXPECT_TRUE(owner.notes.empty());
  Click(bar->ItemIconRect(2).center());
  owner.notes.clear();
  // The other header opens its folder, resets the highlight and tells the owner.
  const QRect bottom = bar->HeaderRect(1);
  EXPECT_EQ(bottom.bottom(), bar->ClientRect().bottom());
  Click(bottom.center());
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(owner.notes[0], std::make_pair(long(NAVBAR_FOLDER_CHANGE), 1L));
  EXPECT_EQ(bar->GetSelFolder(), 1);
  EXPECT_EQ(bar->GetLastClickedItem(), -1);
  EXPECT_EQ(bar->HeaderRect(1).top(), bar->HeaderRect(0).bottom() + 1);
  // Selecting the open folder by code notifies again.
  bar->SetSelFolder(1);
  EXPECT_EQ(owner.notes.size(), 2u);
}

TEST_F(NavBarCtrlTest, InsertOutOfRangeAppendsAndBadFolderIsRefused) {
  EXPECT_EQ(bar->InsertItem(0, 99, "Tail", 0, 7), 6);
  EXPECT_EQ(bar->InsertItem(0, -1, "Tail2", 0, 7), 7);
  EXPECT_EQ(bar->GetItemText(0, 7), "Tail2");
  EXPECT_EQ(bar->InsertItem(0, 0, "Head", 1, 0), 0);
  EXPECT_EQ(bar->GetItemText(0, 1), "Spectrum");
  EXPECT_EQ(bar->InsertItem(5, 0, "x", 0, 0), -1);
}

TEST_F(NavBarCtrlTest, ShortBarScrollsWithItsArrows) {
  bar->resize(200, 200);
  ASSERT_TRUE(bar->CurrentItems().downArrow);
  EXPECT_FALSE(bar->CurrentItems().upArrow);
  Click(bar->DownArrowRect().center());
  EXPECT_EQ(bar->GetFirstVisibleItem(), 1);
  EXPECT_TRUE(bar->CurrentItems().upArrow);
  Click(bar->UpArrowRect().center());
  EXPECT_EQ(bar->GetFirstVisibleItem(), 0);
  for (int i = 0; i < 10; ++i) bar->ScrollItems(1);
  EXPECT_FALSE(bar->CurrentItems().downArrow);
  EXPECT_LT(bar->GetFirstVisibleItem(), 6);
  EXPECT_TRUE(owner.notes.empty());
}

TEST_F(NavBarCtrlTest, ArrowShowsInTheFirstPaintAfterAResize) {
  // The first paint at a size too short for the six items, as at a 1280 x 720 screen, already
  // has the down arrow: its square differs from the plain folder background around it.
  bar->resize(200, 420);
  ASSERT_TRUE(bar->CurrentItems().downArrow);
  const QImage shot = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect arrow = bar->DownArrowRect();
  const QRgb background = shot.pixel(arrow.left() - 3, arrow.center().y());
  int drawn = 0;
  for (int y = arrow.top(); y <= arrow.bottom(); ++y)
    for (int x = arrow.left(); x <= arrow.right(); ++x) drawn += shot.pixel(x, y) != background;
  EXPECT_GT(drawn, arrow.width() * arrow.height() / 2);
}

TEST_F(NavBarCtrlTest, PaintsTheFolderAreaBackgroundAndIcons) {
  const QImage body = bar->RenderBody(0, 0, -1);
  const QRect area = bar->FolderArea();
  EXPECT_EQ(body.pixelColor(area.left() + 3, area.bottom() - 3), QColor(128, 128, 192));
  // The icon strip's mask colour never reaches the screen; the icon's own pixels do.
  const QRect icon = bar->ItemIconRect(0);
  int masked = 0, drawn = 0;
  for (int y = icon.top(); y <= icon.bottom(); ++y) {
    for (int x = icon.left(); x <= icon.right(); ++x) {
      const QColor c = body.pixelColor(x, y);
      masked += c == QColor(128, 128, 128);
      drawn += c != QColor(128, 128, 192);
    }
  }
  EXPECT_EQ(masked, 0);
  EXPECT_GT(drawn, 32 * 32 / 2);
}
