#include "shell/nav_bar_ctrl.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QThread>
#include <algorithm>

#include "platform/command_ids.h"
#include "shell/image_list.h"

namespace {

const QColor kAreaColour(128, 128, 192);
constexpr int kHoverTimerMs = 100;
constexpr int kScrollTimerMs = 300;

int ItemSpacing(bool smallIcons) { return smallIcons ? 10 : 8; }
int IconLabelGap(bool smallIcons) { return smallIcons ? 4 : 3; }

// A 3-D frame: topLeft along the top and left edges, bottomRight along the others.
void Frame3D(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  p.setPen(topLeft);
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom());
  p.setPen(bottomRight);
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

void Button3D(QPainter& p, const QRect& r, const QPalette& pal, bool pressed) {
  p.fillRect(r, pal.color(QPalette::Button));
  if (pressed) {
    Frame3D(p, r, pal.color(QPalette::Shadow), pal.color(QPalette::Light));
    Frame3D(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Dark), pal.color(QPalette::Midlight));
  } else {
    Frame3D(p, r, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
    Frame3D(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Midlight), pal.color(QPalette::Dark));
  }
}

void ScrollArrow(QPainter& p, const QRect& r, const QPalette& pal, bool up, bool pushed) {
  Button3D(p, r, pal, pushed);
  const int shift = pushed ? 1 : 0;
  const int cx = r.center().x() + shift;
  const int cy = r.center().y() + shift;
  const int half = std::max(2, r.width() / 4);
  QPolygon triangle;
  if (up) {
    triangle << QPoint(cx - half, cy + half / 2) << QPoint(cx + half, cy + half / 2)
             << QPoint(cx, cy - half / 2 - 1);
  } else {
    triangle << QPoint(cx - half, cy - half / 2) << QPoint(cx + half, cy - half / 2)
             << QPoint(cx, cy + half / 2 + 1);
  }
  p.setPen(pal.color(QPalette::ButtonText));
  p.setBrush(pal.color(QPalette::ButtonText));
  p.drawPolygon(triangle);
  p.setBrush(Qt::NoBrush);
}

}  // namespace

QRect NavFolderHeaderRect(const QRect& client, int folderCount, int selected, int index) {
  const int top = client.top();
  const int bottom = client.top() + client.height();  // exclusive
  if (index <= selected) {
    return QRect(client.left(), top + index * kNavFolderHeight - 1, client.width(),
                 kNavFolderHeight);
  }
  return QRect(client.left(), bottom - kNavFolderHeight * (folderCount - index), client.width(),
               kNavFolderHeight);
}

QRect NavFolderAreaRect(const QRect& client, int folderCount, int selected) {
  const int top = client.top() + (selected + 1) * kNavFolderHeight - 1;
  const int bottom =
      client.top() + client.height() - kNavFolderHeight * (folderCount - selected - 1);
  return QRect(client.left(), top, client.width(), std::max(0, bottom - top));
}

NavItemsLayout LayoutNavItems(const QRect& area, const QSize& icon,
                              const std::vector<QSize>& labelSizes, int firstVisible,
                              bool smallIcons) {
  NavItemsLayout layout;
  layout.upArrow = firstVisible > 0;
  const int spacing = ItemSpacing(smallIcons);
  const int gap = IconLabelGap(smallIcons);
  const int areaBottom = area.top() + area.height();  // exclusive
  int y = area.top() + spacing;
  for (int i = std::max(0, firstVisible); i < static_cast<int>(labelSizes.size()); ++i) {
    const QSize label = labelSizes[i];
    NavItemGeometry g;
    g.index = i;
    if (smallIcons) {
      const int h = std::max(icon.height(), label.height());
      g.icon = QRect(area.left() + 2, y + (h - icon.height()) / 2, icon.width(), icon.height());
      g.label = QRect(g.icon.left() + icon.width() + gap, y + (h - label.height()) / 2,
                      label.width(), label.height());
      g.item = QRect(area.left(), y, 2 + icon.width() + gap + label.width(), h);
    } else {
      const int w = std::max(icon.width(), label.width());
      const int h = icon.height() + 8 + gap + label.height();
      g.item = QRect(area.left() + (area.width() - w) / 2, y, w, h);
      g.icon = QRect(area.left() + (area.width() - icon.width()) / 2, y + 4, icon.width(),
                     icon.height());
      g.label = QRect(area.left() + (area.width() - label.width()) / 2,
                      g.icon.top() + icon.height() + 4 + gap, label.width(), label.height());
    }
    if (g.item.top() >= areaBottom) {
      layout.downArrow = true;
      break;
    }
    if (g.item.top() + g.item.height() > areaBottom) layout.downArrow = true;
    layout.items.push_back(g);
    y += g.item.height() + spacing;
  }
  return layout;
}

QRect NavUpArrowRect(const QRect& area, int side) {
  return QRect(area.left() + area.width() - 5 - side, area.top() + 5, side, side);
}

QRect NavDownArrowRect(const QRect& area, int side) {
  return QRect(area.left() + area.width() - 5 - side, area.top() + area.height() - 5 - side, side,
               side);
}

std::vector<int> NavAnimationPositions(int y0, int y1) {
  std::vector<int> positions;
  const int direction = y1 > y0 ? 1 : -1;
  for (int y = y0; y != y1;) {
    y += direction * kNavFolderHeight;
    if ((direction > 0 && y > y1) || (direction < 0 && y < y1)) y = y1;
    positions.push_back(y);
  }
  return positions;
}

int NextJiggleCounter(int counter) { return counter >= 10 ? -1 : counter + 1; }

QPoint JiggleOffset(int counter) {
  switch (counter) {
    case 0:
      return QPoint(-1, 1);
    case 2:
      return QPoint(1, 1);
    default:
      return QPoint(0, 0);
  }
}

CNavBarCtrl::CNavBarCtrl(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_hoverTimer.setInterval(kHoverTimerMs);
  m_scrollTimer.setInterval(kScrollTimerMs);
  connect(&m_hoverTimer, &QTimer::timeout, this, [this] { OnHoverTimer(); });
  connect(&m_scrollTimer, &QTimer::timeout, this, [this] { OnScrollTimer(); });
  connect(&m_jiggleTimer, &QTimer::timeout, this, [this] { OnJiggleTimer(); });
}

CNavBarCtrl::~CNavBarCtrl() = default;

void CNavBarCtrl::Create(QWidget* parent, const QRect& rect, unsigned options) {
  setParent(parent);
  setGeometry(rect);
  m_nOptions = options;
  show();
}

CImageList* CNavBarCtrl::SetImageList(CImageList* list, int kind) {
  CImageList*& slot = kind == NAVBAR_LARGE_IMAGES ? m_pLargeImages : m_pSmallImages;
  CImageList* previous = slot;
  slot = list;
  update();
  return previous;
}

void CNavBarCtrl::SetJiggleInterval(int ms) {
  m_nJiggleInterval = ms;
  if (ms > 0) {
    m_jiggleTimer.start(ms);
  } else {
    m_jiggleTimer.stop();
  }
}

int CNavBarCtrl::AddFolder(const std::string& name, int data) {
  m_folders.push_back(Folder{name, data, {}});
  update();
  return GetFolderCount() - 1;
}

int CNavBarCtrl::InsertItem(int folder, int index, const std::string& text, int image, int data) {
  if (folder < 0 || folder >= GetFolderCount()) return -1;
  auto& items = m_folders[folder].items;
  if (index < 0 || index > static_cast<int>(items.size())) index = static_cast<int>(items.size());
  items.insert(items.begin() + index, Item{text, image, data});
  update();
  return index;
}

int CNavBarCtrl::GetItemCount(int folder) const {
  if (folder < 0 || folder >= GetFolderCount()) return 0;
  return static_cast<int>(m_folders[folder].items.size());
}

std::string CNavBarCtrl::GetFolderText(int folder) const {
  return folder >= 0 && folder < GetFolderCount() ? m_folders[folder].name : std::string();
}

std::string CNavBarCtrl::GetItemText(int folder, int item) const {
  if (item < 0 || item >= GetItemCount(folder)) return {};
  return m_folders[folder].items[item].text;
}

int CNavBarCtrl::GetItemImage(int folder, int item) const {
  if (item < 0 || item >= GetItemCount(folder)) return -1;
  return m_folders[folder].items[item].image;
}

void CNavBarCtrl::SetSelFolder(int index) {
  if (index < 0 || index >= GetFolderCount()) return;
  const int previous = m_nSelFolder;
  if (index != previous && (m_nOptions & NAVBAR_OPT_ANIMATE) && m_nAnimationDelay >= 0 &&
      previous >= 0 && previous < GetFolderCount() && isVisible()) {
    AnimateFolderChange(previous, index);
  }
  m_nSelFolder = index;
  m_nFirstItem = 0;
  m_nLastClicked = -1;
  m_nHoverItem = -1;
  Notify(NAVBAR_FOLDER_CHANGE, index);
  update();
}

void CNavBarCtrl::SetSmallIconView(bool on) {
  if (on) {
    m_nOptions |= NAVBAR_OPT_SMALL_ICONS;
  } else {
    m_nOptions &= ~NAVBAR_OPT_SMALL_ICONS;
  }
  m_nFirstItem = 0;
  update();
}

QRect CNavBarCtrl::ClientRect() const {
  // Inside the static edge.
  return rect().adjusted(1, 1, -1, -1);
}

QRect CNavBarCtrl::HeaderRect(int folder) const {
  return NavFolderHeaderRect(ClientRect(), GetFolderCount(), m_nSelFolder, folder);
}

QRect CNavBarCtrl::FolderArea() const {
  return NavFolderAreaRect(ClientRect(), GetFolderCount(), m_nSelFolder);
}

const CImageList* CNavBarCtrl::CurrentImages() const {
  return (m_nOptions & NAVBAR_OPT_SMALL_ICONS) ? m_pSmallImages : m_pLargeImages;
}

QSize CNavBarCtrl::IconSize() const {
  const CImageList* images = CurrentImages();
  if (images != nullptr) return images->ImageSize();
  return (m_nOptions & NAVBAR_OPT_SMALL_ICONS) ? QSize(16, 16) : QSize(32, 32);
}

std::vector<QSize> CNavBarCtrl::LabelSizes(int folder, int availableWidth) const {
  std::vector<QSize> sizes;
  if (folder < 0 || folder >= GetFolderCount()) return sizes;
  const QFontMetrics fm(font());
  const bool small = m_nOptions & NAVBAR_OPT_SMALL_ICONS;
  for (const Item& item : m_folders[folder].items) {
    const QString text = QString::fromStdString(item.text);
    if (small) {
      sizes.push_back(QSize(fm.horizontalAdvance(text), fm.height()));
    } else {
      QRect r = fm.boundingRect(QRect(0, 0, std::max(1, availableWidth), 10000),
                                Qt::AlignHCenter | Qt::TextWordWrap, text);
      sizes.push_back(r.size());
    }
  }
  return sizes;
}

NavItemsLayout CNavBarCtrl::ItemsFor(int folder, int firstVisible) const {
  const QRect area = NavFolderAreaRect(ClientRect(), GetFolderCount(), folder);
  return LayoutNavItems(area, IconSize(), LabelSizes(folder, area.width() - 8), firstVisible,
                        m_nOptions & NAVBAR_OPT_SMALL_ICONS);
}

NavItemsLayout CNavBarCtrl::CurrentItems() const { return ItemsFor(m_nSelFolder, m_nFirstItem); }

QRect CNavBarCtrl::ItemIconRect(int item) const {
  for (const NavItemGeometry& g : CurrentItems().items) {
    if (g.index == item) return g.icon;
  }
  return QRect();
}

QRect CNavBarCtrl::UpArrowRect() const {
  return NavUpArrowRect(FolderArea(), style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

QRect CNavBarCtrl::DownArrowRect() const {
  return NavDownArrowRect(FolderArea(), style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

bool CNavBarCtrl::MoreItemsBelow() const { return CurrentItems().downArrow; }

void CNavBarCtrl::ScrollItems(int delta) {
  const int count = GetItemCount(m_nSelFolder);
  int first = m_nFirstItem;
  if (delta < 0) first = std::max(0, first + delta);
  if (delta > 0 && MoreItemsBelow()) first = std::min(count - 1, first + delta);
  if (first != m_nFirstItem) {
    m_nFirstItem = first;
    update();
  }
}

QImage CNavBarCtrl::RenderBody(int selected, int firstVisible, int lastClicked) const {
  // At the screen's density, so that icons and labels are drawn at its resolution.
  const qreal ratio = devicePixelRatioF();
  const QRect whole(QPoint(0, 0), size().expandedTo(QSize(1, 1)));
  QImage image(whole.size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  const QPalette pal = palette();
  QPainter p(&image);
  p.fillRect(whole, pal.color(QPalette::Button));
  // The static edge.
  Frame3D(p, whole, pal.color(QPalette::Dark), pal.color(QPalette::Light));

  const QRect client = ClientRect();
  const int n = GetFolderCount();
  const QRect area = NavFolderAreaRect(client, n, selected);
  p.fillRect(area, kAreaColour);
  p.setClipRect(client);

  if (selected >= 0 && selected < n) {
    const CImageList* images = CurrentImages();
    const NavItemsLayout layout = ItemsFor(selected, firstVisible);
    p.save();
    p.setClipRect(area);
    p.setPen(pal.color(QPalette::Base));
    for (const NavItemGeometry& g : layout.items) {
      const Item& item = m_folders[selected].items[g.index];
      QPoint at = g.icon.topLeft();
      if (g.index == lastClicked) at += JiggleOffset(m_nJiggleCounter);
      if (images != nullptr) images->Draw(p, item.image, at.x(), at.y());
      const int flags = (m_nOptions & NAVBAR_OPT_SMALL_ICONS)
                            ? Qt::AlignLeft | Qt::AlignVCenter
                            : Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
      p.drawText(g.label, flags, QString::fromStdString(item.text));
      if (g.index == lastClicked && (m_nOptions & NAVBAR_OPT_KEEP_HIGHLIGHT)) {
        Frame3D(p, g.icon.adjusted(-2, -2, 1, 1), pal.color(QPalette::Shadow),
                pal.color(QPalette::Light));
      }
    }
    p.restore();
  }

  p.setFont(QApplication::font());
  for (int a = 0; a < n; ++a) {
    const QRect header = NavFolderHeaderRect(client, n, selected, a);
    const bool pressed = m_pressKind == Hit::Folder && m_nPressIndex == a && m_bPressInside &&
                         selected == m_nSelFolder;
    Button3D(p, header, pal, pressed);
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(header.left(), header.top(), header.right(), header.top());
    p.setPen(pal.color(QPalette::ButtonText));
    p.drawText(header.translated(pressed ? 1 : 0, pressed ? 1 : 0),
               Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(m_folders[a].name));
  }
  return image;
}

void CNavBarCtrl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (m_bAnimating) {
    p.drawImage(0, 0, m_animationFrame);
    return;
  }
  QImage body = RenderBody(m_nSelFolder, m_nFirstItem, m_nLastClicked);
  const QPalette pal = palette();
  if (m_nSelFolder >= 0 && m_nSelFolder < GetFolderCount()) {
    QPainter bp(&body);
    const NavItemsLayout layout = CurrentItems();
    if (layout.upArrow) {
      ScrollArrow(bp, UpArrowRect(), pal, true, m_pressKind == Hit::UpArrow && m_bPressInside);
    }
    if (layout.downArrow) {
      ScrollArrow(bp, DownArrowRect(), pal, false, m_pressKind == Hit::DownArrow && m_bPressInside);
    }
  }
  p.drawImage(0, 0, body);

  // Hover and press frames go over the copied picture.
  if (m_nHoverFolder >= 0 && m_pressKind == Hit::None) {
    const QRect r = HeaderRect(m_nHoverFolder);
    p.setPen(pal.color(QPalette::Shadow));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(pal.color(QPalette::Highlight));
    p.drawRect(r.adjusted(1, 1, -2, -2));
  }
  const QRect icon =
      m_pressKind == Hit::Item ? ItemIconRect(m_nPressIndex) : ItemIconRect(m_nHoverItem);
  if (!icon.isEmpty()) {
    const QRect frame = icon.adjusted(-2, -2, 1, 1);
    const bool sunken = m_pressKind == Hit::Item && m_bPressInside;
    const bool highlighted = m_pressKind == Hit::None && m_nHoverItem == m_nLastClicked &&
                             (m_nOptions & NAVBAR_OPT_KEEP_HIGHLIGHT);
    if (sunken) {
      Frame3D(p, frame, pal.color(QPalette::Shadow), pal.color(QPalette::Light));
    } else if (!highlighted) {
      Frame3D(p, frame, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
    }
  }
}

CNavBarCtrl::HitResult CNavBarCtrl::HitTest(const QPoint& point) const {
  HitResult hit;
  for (int a = 0; a < GetFolderCount(); ++a) {
    if (HeaderRect(a).contains(point)) return {Hit::Folder, a};
  }
  if (!FolderArea().contains(point)) return hit;
  const NavItemsLayout layout = CurrentItems();
  if (layout.upArrow && UpArrowRect().contains(point)) return {Hit::UpArrow, -1};
  if (layout.downArrow && DownArrowRect().contains(point)) return {Hit::DownArrow, -1};
  for (const NavItemGeometry& g : layout.items) {
    if (g.icon.contains(point) || g.label.contains(point)) return {Hit::Item, g.index};
  }
  return hit;
}

void CNavBarCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  const HitResult hit = HitTest(event->position().toPoint());
  m_pressKind = hit.kind;
  m_nPressIndex = hit.index;
  m_bPressInside = hit.kind != Hit::None;
  m_nHoverFolder = -1;
  m_nHoverItem = -1;
  if (hit.kind == Hit::UpArrow || hit.kind == Hit::DownArrow) m_scrollTimer.start();
  update();
}

void CNavBarCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const HitResult hit = HitTest(pos);
  if (m_pressKind != Hit::None) {
    const bool inside = hit.kind == m_pressKind && hit.index == m_nPressIndex;
    if (inside != m_bPressInside) {
      m_bPressInside = inside;
      update();
    }
    return;
  }
  const int folder = hit.kind == Hit::Folder ? hit.index : -1;
  const int item = hit.kind == Hit::Item ? hit.index : -1;
  setCursor(folder >= 0 ? QCursor(QPixmap(":/cursor/128.png"), 6, 1) : QCursor(Qt::ArrowCursor));
  if (folder != m_nHoverFolder || item != m_nHoverItem) {
    m_nHoverFolder = folder;
    m_nHoverItem = item;
    update();
  }
  if (folder >= 0 || item >= 0) m_hoverTimer.start();
}

void CNavBarCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || m_pressKind == Hit::None) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  const HitResult hit = HitTest(event->position().toPoint());
  const Hit kind = m_pressKind;
  const int index = m_nPressIndex;
  const bool same = hit.kind == kind && hit.index == index;
  m_pressKind = Hit::None;
  m_nPressIndex = -1;
  m_bPressInside = false;
  m_scrollTimer.stop();
  update();
  if (!same) return;
  switch (kind) {
    case Hit::Item:
      m_nLastClicked = index;
      Notify(NAVBAR_ITEM_CLICK, index);
      break;
    case Hit::Folder:
      if (index != m_nSelFolder) SetSelFolder(index);
      break;
    case Hit::UpArrow:
      ScrollItems(-1);
      break;
    case Hit::DownArrow:
      ScrollItems(1);
      break;
    case Hit::None:
      break;
  }
}

void CNavBarCtrl::leaveEvent(QEvent* event) {
  OnHoverTimer();
  QWidget::leaveEvent(event);
}

void CNavBarCtrl::resizeEvent(QResizeEvent* event) {
  // The arrows belong to the new size at once: the paint that follows a resize draws them, so a
  // bar too short for its items shows its down arrow without waiting for a hover.
  QWidget::resizeEvent(event);
}

void CNavBarCtrl::OnHoverTimer() {
  if (rect().contains(mapFromGlobal(QCursor::pos())) && underMouse()) return;
  m_hoverTimer.stop();
  if (m_nHoverFolder >= 0 || m_nHoverItem >= 0) {
    m_nHoverFolder = -1;
    m_nHoverItem = -1;
    update();
  }
}

void CNavBarCtrl::OnScrollTimer() {
  if (!m_bPressInside) return;
  if (m_pressKind == Hit::UpArrow && m_nFirstItem > 0) ScrollItems(-1);
  if (m_pressKind == Hit::DownArrow && MoreItemsBelow()) ScrollItems(1);
}

void CNavBarCtrl::OnJiggleTimer() {
  m_nJiggleCounter = NextJiggleCounter(m_nJiggleCounter);
  if (m_nLastClicked >= 0) update(ItemIconRect(m_nLastClicked).adjusted(-3, -3, 3, 3));
}

void CNavBarCtrl::Notify(int code, int index) {
  SendMessageTo(NotifyTargetOf(this), WM_NAVBAR_NOTIFY, code, index);
}

void CNavBarCtrl::AnimateFolderChange(int from, int to) {
  const QImage outgoing = RenderBody(from, m_nFirstItem, m_nLastClicked);
  const QImage incoming = RenderBody(to, 0, -1);
  const QRect client = ClientRect();
  const int n = GetFolderCount();
  // The block that slides: the headers between the two folders and the area that comes with
  // them. Moving up it comes from the incoming picture over the outgoing one; moving down the
  // outgoing block slides away and uncovers the incoming picture.
  const bool up = to > from;
  const int first = std::min(from, to) + 1;
  const int y0 = NavFolderHeaderRect(client, n, from, first).top();
  const int y1 = NavFolderHeaderRect(client, n, to, first).top();
  const QImage& block = up ? incoming : outgoing;
  const QImage& base = up ? outgoing : incoming;
  const int blockTop = up ? y1 : y0;
  const QRect limitArea = NavFolderAreaRect(client, n, up ? to : from);
  const int clipBottom = limitArea.top() + limitArea.height();

  m_bAnimating = true;
  for (int y : NavAnimationPositions(y0, y1)) {
    m_animationFrame = base;
    QPainter p(&m_animationFrame);
    p.setClipRect(QRect(0, y, width(), std::max(0, clipBottom - y)));
    const qreal ratio = block.devicePixelRatio();
    p.drawImage(QPointF(0, y), block,
                QRectF(0, blockTop * ratio, width() * ratio, (clipBottom - blockTop) * ratio));
    p.end();
    repaint();
    QThread::msleep(static_cast<unsigned long>(m_nAnimationDelay));
  }
  m_bAnimating = false;
}
