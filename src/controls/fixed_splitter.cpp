#include "controls/fixed_splitter.h"

#include <QMouseEvent>

FixedSplitterHandle::FixedSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
    : QSplitterHandle(orientation, parent) {
  setCursor(Qt::ArrowCursor);
}

bool FixedSplitterHandle::event(QEvent* event) {
  // The base handle sets the splitting cursor whenever its orientation is set; take it back.
  if (event->type() == QEvent::CursorChange && cursor().shape() != Qt::ArrowCursor) {
    setCursor(Qt::ArrowCursor);
  }
  return QSplitterHandle::event(event);
}

void FixedSplitterHandle::mousePressEvent(QMouseEvent* event) { event->accept(); }

void FixedSplitterHandle::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void FixedSplitterHandle::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

FixedSplitter::FixedSplitter(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent) {}

QSplitterHandle* FixedSplitter::createHandle() {
  return new FixedSplitterHandle(orientation(), this);
}
