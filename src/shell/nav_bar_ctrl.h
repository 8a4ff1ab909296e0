#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/message_target.h"

class CImageList;

// Option bits of the navigation bar.
constexpr unsigned NAVBAR_OPT_SMALL_ICONS = 0x01;
constexpr unsigned NAVBAR_OPT_DRAG_ITEMS = 0x80;  // not provided: items are never dragged
constexpr unsigned NAVBAR_OPT_ANIMATE = 0x100;
constexpr unsigned NAVBAR_OPT_KEEP_HIGHLIGHT = 0x200;

// Image list kinds for SetImageList.
constexpr int NAVBAR_SMALL_IMAGES = 1;
constexpr int NAVBAR_LARGE_IMAGES = 2;

constexpr int kNavFolderHeight = 22;

// Layout of the bar as functions of its client rectangle, so that it can be checked without a
// window. Rectangles are in client coordinates.

// The header of folder index when folder selected is open: headers up to the open one stack at
// the top (the first one row above the client top), the rest at the bottom.
QRect NavFolderHeaderRect(const QRect& client, int folderCount, int selected, int index);
// The open folder's area between the two stacks of headers.
QRect NavFolderAreaRect(const QRect& client, int folderCount, int selected);

struct NavItemGeometry {
  int index;  // index of the item in the folder
  QRect item;
  QRect icon;
  QRect label;
};

struct NavItemsLayout {
  std::vector<NavItemGeometry> items;  // the items from firstVisible that start inside the area
  bool upArrow = false;                // items above the first visible one
  bool downArrow = false;              // items reaching below the area
};

// Stacks the items from firstVisible down from the top of area. labelSizes holds every item's
// label size (word-wrapped in the large-icon view).
NavItemsLayout LayoutNavItems(const QRect& area, const QSize& icon,
                              const std::vector<QSize>& labelSizes, int firstVisible,
                              bool smallIcons);

// The scroll arrows: squares of side `side`, 5 pixels in from the area's right and top (up) or
// bottom (down) edges.
QRect NavUpArrowRect(const QRect& area, int side);
QRect NavDownArrowRect(const QRect& area, int side);

// Successive header positions of a folder-change animation from y0 to y1: one step per header
// height, the last one exactly at y1. Empty when they are equal.
std::vector<int> NavAnimationPositions(int y0, int y1);

// The jiggle counter runs 1, 2, ... 10, then -1, 0, 1, ...; the highlighted icon is drawn
// displaced at counters 0 and 2.
int NextJiggleCounter(int counter);
QPoint JiggleOffset(int counter);

// The owner-drawn navigation bar: a stack of folder headers, the open folder listing its items
// as icons with labels. Tells its owner of item clicks and folder changes with WM_NAVBAR_NOTIFY.
class CNavBarCtrl : public QWidget, public MessageTarget {
 public:
  explicit CNavBarCtrl(QWidget* parent = nullptr);
  ~CNavBarCtrl() override;

  // Makes the bar a child of parent at rect with the given options.
  void Create(QWidget* parent, const QRect& rect, unsigned options);
  unsigned GetOptions() const { return m_nOptions; }

  // kind NAVBAR_LARGE_IMAGES or NAVBAR_SMALL_IMAGES; returns the previous list (not owned).
  CImageList* SetImageList(CImageList* list, int kind);
  void SetAnimationDelay(int ms) { m_nAnimationDelay = ms; }
  int GetAnimationDelay() const { return m_nAnimationDelay; }
  // A positive interval starts the jiggle timer, 0 or less stops it.
  void SetJiggleInterval(int ms);
  int GetJiggleInterval() const { return m_nJiggleInterval; }

  int AddFolder(const std::string& name, int data);
  // index below 0 or past the end appends; returns the index used (-1 for a bad folder).
  int InsertItem(int folder, int index, const std::string& text, int image, int data);
  // Opens folder index (animated when enabled) and tells the owner, even when it was open.
  void SetSelFolder(int index);
  void SetSmallIconView(bool on);

  int GetFolderCount() const { return static_cast<int>(m_folders.size()); }
  int GetItemCount(int folder) const;
  int GetSelFolder() const { return m_nSelFolder; }
  int GetFirstVisibleItem() const { return m_nFirstItem; }
  int GetLastClickedItem() const { return m_nLastClicked; }
  int GetJiggleCounter() const { return m_nJiggleCounter; }
  std::string GetFolderText(int folder) const;
  std::string GetItemText(int folder, int item) const;
  int GetItemImage(int folder, int item) const;

  // Geometry of what is on screen now.
  QRect ClientRect() const;
  QRect HeaderRect(int folder) const;
  QRect FolderArea() const;
  NavItemsLayout CurrentItems() const;
  // The rectangle of the item's icon in the open folder, or an empty rectangle when not shown.
  QRect ItemIconRect(int item) const;
  QRect UpArrowRect() const;
  QRect DownArrowRect() const;

  // Scrolls the open folder by delta items (bounded).
  void ScrollItems(int delta);

  // The body of the bar (headers, area, items) as it looks with folder selected open.
  QImage RenderBody(int selected, int firstVisible, int lastClicked) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Item {
    std::string text;
    int image;
    int data;
  };
  struct Folder {
    std::string name;
    int data;
    std::vector<Item> items;
  };
  enum class Hit { None, Folder, Item, UpArrow, DownArrow };
  struct HitResult {
    Hit kind = Hit::None;
    int index = -1;
  };

  HitResult HitTest(const QPoint& point) const;
  NavItemsLayout ItemsFor(int folder, int firstVisible) const;
  std::vector<QSize> LabelSizes(int folder, int availableWidth) const;
  bool MoreItemsBelow() const;
  void Notify(int code, int index);
  void AnimateFolderChange(int from, int to);
  void OnHoverTimer();
  void OnScrollTimer();
  void OnJiggleTimer();
  const CImageList* CurrentImages() const;
  QSize IconSize() const;

  unsigned m_nOptions = 0x3FC;
  std::vector<Folder> m_folders;
  int m_nSelFolder = 1;
  int m_nFirstItem = 0;
  int m_nLastClicked = -1;
  int m_nHoverFolder = -1;
  int m_nHoverItem = -1;
  int m_nAnimationDelay = 10;
  int m_nJiggleInterval = 0;
  int m_nJiggleCounter = 0;
  CImageList* m_pLargeImages = nullptr;
  CImageList* m_pSmallImages = nullptr;

  Hit m_pressKind = Hit::None;
  int m_nPressIndex = -1;
  bool m_bPressInside = false;

  bool m_bAnimating = false;
  QImage m_animationFrame;

  QTimer m_hoverTimer;   // timer 1
  QTimer m_scrollTimer;  // timer 2
  QTimer m_jiggleTimer;  // timer 3
};
