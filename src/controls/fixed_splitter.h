#pragma once

#include <QSplitter>
#include <QSplitterHandle>

// A splitter bar the user cannot move: presses and drags on it are swallowed and it never shows
// the splitting cursor.
class FixedSplitterHandle : public QSplitterHandle {
  Q_OBJECT

 public:
  FixedSplitterHandle(Qt::Orientation orientation, QSplitter* parent);

 protected:
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A splitter whose pane sizes only code can set.
class FixedSplitter : public QSplitter {
  Q_OBJECT

 public:
  explicit FixedSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

 protected:
  QSplitterHandle* createHandle() override;
};
