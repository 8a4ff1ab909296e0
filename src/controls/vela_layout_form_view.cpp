#include "controls/vela_layout_form_view.h"

#include <QPainter>
#include <QResizeEvent>

VelaLayoutFormView::VelaLayoutFormView(QWidget* parent) : QWidget(parent), m_layout(this, 5, 5) {
  // The background is erased around the controls only, so they do not flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void VelaLayoutFormView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (event->size().width() == 0 && event->size().height() == 0) return;
  m_layout.UpdateLayout();
}

void VelaLayoutFormView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  m_layout.EraseBackground(painter);
}
