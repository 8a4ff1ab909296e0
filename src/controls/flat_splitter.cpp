#include "controls/flat_splitter.h"

#include <QPainter>

namespace {
constexpr int kBarSize = 2;
}

std::vector<int> StaticSplitterSizes(int total, int bar,
                                     const std::vector<SplitterPaneInfo>& panes) {
  std::vector<int> sizes(panes.size(), 0);
  int toGo = total;
  for (size_t i = 0; i < panes.size(); ++i) {
    if (toGo <= 0) break;
    if (i + 1 == panes.size()) {
      sizes[i] = toGo;
      break;
    }
    int size = std::min(panes[i].ideal, toGo);
    if (size < panes[i].minimum) size = 0;
    sizes[i] = size;
    toGo -= size + bar;
  }
  return sizes;
}

void FlatSplitterHandle::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // The handle widget may be wider than the bar to ease grabbing; only the bar is ours to paint.
  p.fillRect(contentsRect(), palette().color(QPalette::Button));
}

FlatSplitter::FlatSplitter(Qt::Orientation orientation, QWidget* parent)
    : FixedSplitter(orientation, parent) {
  setHandleWidth(kBarSize);
  setFrameShape(QFrame::NoFrame);
  setChildrenCollapsible(true);
  // The panes begin below the etched line.
  setContentsMargins(0, m_nTopOffset, 0, 0);
  setAutoFillBackground(false);
}

void FlatSplitter::SetPaneInfo(int index, int ideal, int minimum) {
  if (index < 0) return;
  if (static_cast<size_t>(index) >= m_panes.size()) m_panes.resize(index + 1);
  m_panes[index] = SplitterPaneInfo{ideal, minimum};
}

void FlatSplitter::RecalcLayout() {
  if (m_panes.empty()) return;
  std::vector<SplitterPaneInfo> panes = m_panes;
  panes.resize(count());
  const QRect inside = contentsRect();
  const int total = orientation() == Qt::Horizontal ? inside.width() : inside.height();
  const std::vector<int> sizes = StaticSplitterSizes(total, handleWidth(), panes);
  setSizes(QList<int>(sizes.begin(), sizes.end()));
}

void FlatSplitter::SetDrawTopLine(bool draw) {
  m_bDrawTopLine = draw;
  update();
}

QSplitterHandle* FlatSplitter::createHandle() {
  return new FlatSplitterHandle(orientation(), this);
}

void FlatSplitter::resizeEvent(QResizeEvent* event) {
  FixedSplitter::resizeEvent(event);
  RecalcLayout();
}

void FlatSplitter::paintEvent(QPaintEvent* event) {
  FixedSplitter::paintEvent(event);
  QPainter p(this);
  p.fillRect(rect().adjusted(0, m_nTopOffset, 0, 0), palette().color(QPalette::Button));
  if (!m_bDrawTopLine) return;
  p.fillRect(QRect(0, 0, width(), 1), palette().color(QPalette::Dark));
  p.fillRect(QRect(0, 1, width(), 1), palette().color(QPalette::Light));
}
