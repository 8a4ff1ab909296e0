#pragma once

#include <QWidget>
#include <vector>

#include "analysis/measurement_report.h"
#include "analysis/measurements.h"

class MeasurementStation;

// The readout beside the scope view: one column per channel with the chosen quantities, and
// under each value its statistics when asked. A value that is not valid shows as "---" with the
// reason, in grey. Its context menu chooses the quantities and the statistics, and resets them.
class MeasurementPanel : public QWidget {
 public:
  MeasurementPanel(MeasurementStation& station, QWidget* parent = nullptr);
  ~MeasurementPanel() override;

  void SetQuantities(const std::vector<Quantity>& quantities);
  const std::vector<Quantity>& Quantities() const { return m_quantities; }
  void SetStatistics(bool statistics);
  bool Statistics() const { return m_bStatistics; }
  // The lines as painted now.
  const std::vector<ReadoutRow>& Rows() const { return m_rows; }
  int Channels() const { return m_nChannels; }
  // Takes the station's newest figures and repaints.
  void Refresh();

  // The width the panel asks for beside the view.
  static constexpr int kWidth = 360;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  MeasurementStation& m_station;
  int m_nListener = 0;
  int m_nResetListener = 0;
  std::vector<Quantity> m_quantities;
  bool m_bStatistics = false;
  std::vector<ReadoutRow> m_rows;
  int m_nChannels = 1;
  unsigned long long m_nUpdates = 0;
};
