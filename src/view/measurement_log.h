#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

class MeasurementStation;

// The measurement log: a CSV file that gets one row per measurement update (MeasurementLogRow)
// with the seconds since the log began, for long unattended runs. Each row goes to the file in one
// write as it is made, so a run that is killed leaves every row made so far. A write that fails (a
// full disk, a reader of the pipe that went away) stops the log at once with a message, and a
// file is cut back to its last whole row.
class MeasurementLog {
 public:
  explicit MeasurementLog(MeasurementStation& station);
  ~MeasurementLog();
  MeasurementLog(const MeasurementLog&) = delete;
  MeasurementLog& operator=(const MeasurementLog&) = delete;

  // Creates (or empties) path and writes the header; false with the reason in Error(). A FIFO or
  // pipe is written as it is; one that nothing reads is refused at once.
  bool Start(const std::string& path);
  // Closes the file; false when a row could not be written (Error() says why, and was shown as a
  // message when the write failed).
  bool Stop();
  bool Running() const { return m_fd >= 0; }
  const std::string& Path() const { return m_path; }
  const std::string& Error() const { return m_error; }
  uint64_t Rows() const { return m_nRows; }
  // True when the failure in Error() happened while the log ran and has been shown already.
  bool FailureShown() const { return m_bFailureShown; }

 private:
  void OnUpdate();
  void Fail(const std::string& why);
  // Writes text whole; on failure a regular file is cut back to where text began.
  bool WriteWhole(const std::string& text, int* errorNumber);

  MeasurementStation& m_station;
  int m_fd = -1;
  bool m_bRegular = true;
  off_t m_nBytes = 0;  // what the file holds: whole rows only
  std::string m_path;
  std::string m_error;
  int m_nListener = 0;
  int m_nChannels = 1;
  uint64_t m_nStartNs = 0;
  uint64_t m_nRows = 0;
  bool m_bFailureShown = false;
};
