#pragma once

#include <QWidget>

#include "controls/layout_manager.h"
#include "platform/message_target.h"

// A form view whose controls follow its size through a resize layout manager (margins 5 px).
// Derived views build the layout tree in their initial update.
class VelaLayoutFormView : public QWidget, public MessageTarget {
  Q_OBJECT

 public:
  explicit VelaLayoutFormView(QWidget* parent = nullptr);

  LayoutManager& Layout() { return m_layout; }
  void UpdateLayout() { m_layout.UpdateLayout(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  LayoutManager m_layout;
};
