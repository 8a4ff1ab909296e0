#pragma once

#include <vector>

#include "controls/fixed_splitter.h"

// Pane sizes of a static splitter along its direction: each pane keeps its ideal size where it
// fits, a pane that would be smaller than its minimum collapses to 0, the last takes what
// remains; `bar` pixels separate neighbours.
struct SplitterPaneInfo {
  int ideal = 0;
  int minimum = 0;
};
std::vector<int> StaticSplitterSizes(int total, int bar,
                                     const std::vector<SplitterPaneInfo>& panes);

// The frame's splitter: fixed 2-pixel flat bars in the button-face colour and an etched line
// (dark over light) along its top two pixel rows, above the panes.
class FlatSplitterHandle : public FixedSplitterHandle {
  Q_OBJECT

 public:
  using FixedSplitterHandle::FixedSplitterHandle;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class FlatSplitter : public FixedSplitter {
  Q_OBJECT

 public:
  explicit FlatSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

  // The ideal and minimum size of pane `index` (a row of a vertical splitter, a column of a
  // horizontal one); applied by RecalcLayout and on every resize.
  void SetPaneInfo(int index, int ideal, int minimum);
  void RecalcLayout();

  int TopOffset() const { return m_nTopOffset; }
  void SetDrawTopLine(bool draw);

 protected:
  QSplitterHandle* createHandle() override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int m_nTopOffset = 2;
  bool m_bDrawTopLine = true;
  std::vector<SplitterPaneInfo> m_panes;
};
