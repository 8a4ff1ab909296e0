#pragma once

#include <QObject>
#include <QTimer>
#include <string>

#include "acquisition/input_stall.h"

class DataOut;
class QLabel;
class QStatusBar;

// Looks after the input while POWER is on in the live display or while recording: a device that
// stops delivering (a sound server that died, a card pulled out) is said to be lost, in the
// status bar and in a message naming it, and the recording shows as paused. The device is then
// opened again every few seconds; once frames come again, the display and the recording go on
// (into the same file), as after POWER off and on. Owned by the main frame.
class InputWatch : public QObject {
 public:
  InputWatch(QStatusBar* bar, DataOut* dataOut);
  ~InputWatch() override;

  // True while the input is lost and being waited for.
  bool Lost() const { return m_detector.Lost(); }
  // The input as messages name it: the choice and the device's own name.
  std::string InputName() const;
  QLabel* LostMark() const { return m_pMark; }
  // One look now (the timer looks four times a second).
  void Check();

 private:
  void OnLost();
  void OnBack();
  void Retry(uint64_t now);
  void ShowState();

  DataOut* m_pDataOut;
  QStatusBar* m_pBar;
  QLabel* m_pMark = nullptr;
  QTimer m_timer;
  InputStallDetector m_detector;
  uint64_t m_nLastTryNs = 0;
  bool m_bDelivered = false;  // frames came since POWER on
  bool m_bInCheck = false;
};
