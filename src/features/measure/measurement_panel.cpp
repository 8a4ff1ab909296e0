#include "features/measure/measurement_panel.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <algorithm>

#include "features/measure/measure_profile.h"
#include "view/measurement_station.h"

namespace {

constexpr int kMargin = 6;
// Room right of the values, so the last column never reaches the window's edge.
constexpr int kRightMargin = 16;
constexpr int kLabelWidth = 104;
constexpr int kMinValueWidth = 122;
const QColor kBackground(0, 0, 0);
const QColor kText(0, 255, 0);
const QColor kInvalid(110, 110, 110);
const QColor kStatistics(150, 200, 150);
const QColor kHeader(255, 255, 0);

}  // namespace

MeasurementPanel::MeasurementPanel(MeasurementStation& station, QWidget* parent)
    : QWidget(parent), m_station(station), m_quantities(DefaultReadoutQuantities()) {
  setObjectName("measurementPanel");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setToolTip("Measurements of the newest half second; right-click to choose");
  m_nListener = m_station.AddListener([this] {
    if (isVisible()) Refresh();
  });
  m_nResetListener = m_station.AddResetListener([this] {
    if (isVisible()) Refresh();
  });
  Refresh();
}

MeasurementPanel::~MeasurementPanel() {
  m_station.RemoveListener(m_nListener);
  m_station.RemoveListener(m_nResetListener);
  m_station.Want(MeasurementStation::kReadoutUser, false);
}

void MeasurementPanel::SetQuantities(const std::vector<Quantity>& quantities) {
  m_quantities = quantities;
  Refresh();
}

void MeasurementPanel::SetStatistics(bool statistics) {
  m_bStatistics = statistics;
  Refresh();
}

void MeasurementPanel::Refresh() {
  m_nChannels = m_station.Channels();
  // Updates since POWER on or the last reset, as the statistics count them.
  m_nUpdates = m_station.Stats()[0].Updates();
  m_rows =
      BuildReadout(m_station.Last(), m_station.Stats(), m_nChannels, m_quantities, m_bStatistics);
  update();
}

void MeasurementPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  m_station.Want(MeasurementStation::kReadoutUser, true);
  Refresh();
}

void MeasurementPanel::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  m_station.Want(MeasurementStation::kReadoutUser, false);
}

void MeasurementPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kBackground);
  QFont font("Courier New");
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(13);
  QFont small = font;
  small.setPixelSize(10);
  const int line = QFontMetrics(font).height() + 1;
  const int smallLine = QFontMetrics(small).height();
  const int channels = std::max(1, m_nChannels);
  // Names beside the values while the values fit there; otherwise (narrow, or with the
  // statistics under them) each name heads its own block and the values use the whole width.
  const int besideWidth = (width() - kMargin - kRightMargin - kLabelWidth) / channels;
  const bool beside = !m_bStatistics && besideWidth >= kMinValueWidth;
  const int valueLeft = kMargin + (beside ? kLabelWidth : 0);
  const int columnWidth = beside ? besideWidth : (width() - kMargin - kRightMargin) / channels;
  int y = kMargin;
  p.setFont(font);
  p.setPen(kHeader);
  p.drawText(QRect(kMargin, y, width() - 2 * kMargin, line), Qt::AlignLeft | Qt::AlignVCenter,
             QString("n = %1").arg(m_nUpdates));
  for (int c = 0; c < m_nChannels; ++c) {
    p.drawText(QRect(valueLeft + c * columnWidth, y, columnWidth - 4, line),
               Qt::AlignRight | Qt::AlignVCenter, c == 0 ? "LEFT" : "RIGHT");
  }
  y += line + 4;
  p.setPen(kInvalid);
  p.drawLine(kMargin, y - 2, width() - kRightMargin, y - 2);
  for (const ReadoutRow& row : m_rows) {
    p.setFont(font);
    p.setPen(beside ? kText : kHeader);
    p.drawText(QRect(kMargin, y, kLabelWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(row.label));
    if (!beside) y += line;
    for (int c = 0; c < m_nChannels; ++c) {
      const int x = valueLeft + c * columnWidth;
      p.setFont(font);
      p.setPen(row.valid[c] ? kText : kInvalid);
      p.drawText(QRect(x, y, columnWidth - 4, line), Qt::AlignRight | Qt::AlignVCenter,
                 QString::fromStdString(row.value[c]));
      if (m_bStatistics) {
        p.setFont(small);
        p.setPen(kStatistics);
        p.drawText(QRect(x, y + line, columnWidth - 4, smallLine),
                   Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(row.mean[c]));
        p.drawText(QRect(x, y + line + smallLine, columnWidth - 4, smallLine),
                   Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(row.range[c]));
      }
    }
    y += line + (m_bStatistics ? 2 * smallLine + 4 : 0);
  }
}

void MeasurementPanel::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* statistics = menu.addAction("Statistics");
  statistics->setCheckable(true);
  statistics->setChecked(m_bStatistics);
  QAction* reset = menu.addAction("Reset Statistics");
  menu.addSeparator();
  std::vector<QAction*> items;
  for (std::size_t i = 0; i < kQuantityCount; ++i) {
    const Quantity q = QuantityAt(i);
    QAction* a = menu.addAction(QString::fromStdString(QuantityMenuText(q)));
    a->setCheckable(true);
    a->setChecked(std::find(m_quantities.begin(), m_quantities.end(), q) != m_quantities.end());
    items.push_back(a);
  }
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == nullptr) return;
  if (chosen == statistics) {
    SetStatistics(!m_bStatistics);
    SaveMeasureStatistics(m_bStatistics);
  } else if (chosen == reset) {
    m_station.ResetStatistics();
  } else {
    // The quantities keep the order of the list whatever the order they were chosen in.
    std::vector<Quantity> quantities;
    for (std::size_t i = 0; i < kQuantityCount; ++i) {
      if (items[i]->isChecked()) quantities.push_back(QuantityAt(i));
    }
    SetQuantities(quantities);
    SaveMeasureQuantities(quantities);
  }
}
