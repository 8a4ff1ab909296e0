#pragma once

#include <QObject>
#include <QTimer>
#include <string>
#include <vector>

#include "features/instrument_feature.h"
#include "platform/ring_recorder.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QWidget;

// The message for a recording that cannot be played at the settings' rate: it names both rates
// and says which rate to choose (or, for a rate the program cannot record at, to convert the
// file). Empty when the rates agree.
std::string RecordingRateMessage(const std::string& path, uint32_t fileRate, uint32_t settingsRate);

// The message when a recording ended because a write failed, with what the file holds.
std::string RecordingFailedMessage(const std::string& path, int errorNumber, uint64_t framesWritten,
                                   uint32_t rate);

// The data that leaves the program and the recordings that come into it: File > Export CSV...,
// File > Record... with its red mark in the status bar, File > Open Recording... and the
// recent recordings. The scope view and the recent-file list come from parts.
class DataOut : public QObject {
 public:
  explicit DataOut(const FrameParts& parts);
  ~DataOut() override;

  // Puts the menu items into file (before its Exit item) and the record mark into bar.
  void CreateParts(QMenu* file, QStatusBar* bar);
  // The commands of these items; false for any other id.
  bool OnCommand(int id);

  // Records every captured sample into path from now on (from the next POWER on while POWER
  // is off). False after a message when the file cannot be made.
  bool StartRecording(const std::string& path);
  // Writes what has been captured so far and closes the file. False when the recording had
  // ended by a failed write (its message has been shown).
  bool StopRecording();
  bool IsRecording() const;
  // While the input is lost the recording waits (the mark shows it paused, not lit) and goes on
  // into the same file when the input is back.
  void SetInputLost(bool lost);
  const RingRecorder& Recorder() const { return m_recorder; }
  QLabel* RecordMark() const { return m_pMark; }
  QAction* RecordAction() const { return m_pRecordAction; }

  // Makes the recording at path the input, as --input file: does (at once when POWER is on),
  // and lists it among the recent recordings. False after a message when it cannot be played.
  bool OpenRecording(const std::string& path);
  // The recent-file list as the Recent Recordings menu shows it.
  std::vector<std::string> RecentEntries() const;

 private:
  void OnRecordCommand();
  void OnOpenRecordingCommand();
  // Looks after a running recording: a failed write ends it with a message.
  void WatchRecording();
  void ShowRecordingState();
  void UpdateRecentMenu();

  QWidget* m_pOwner;
  FrameParts m_parts;
  RingRecorder m_recorder;
  bool m_bRecording = false;
  bool m_bFailureShown = false;
  bool m_bInputLost = false;
  QTimer m_watch;
  QLabel* m_pMark = nullptr;
  QAction* m_pRecordAction = nullptr;
  QMenu* m_pRecentMenu = nullptr;
};
