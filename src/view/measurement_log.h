#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class MeasurementStation;

// The measurement log: a CSV file that gets one row per measurement update (MeasurementLogRow)
// with the seconds since the log began, for long unattended runs. Each row is flushed as it is
// written, so a run that is killed leaves every row made so far.
class MeasurementLog {
 public:
  explicit MeasurementLog(MeasurementStation& station);
  ~MeasurementLog();
  MeasurementLog(const MeasurementLog&) = delete;
  MeasurementLog& operator=(const MeasurementLog&) = delete;

  // Creates (or empties) path and writes the header; false with the reason in Error().
  bool Start(const std::string& path);
  // Closes the file; false when a row could not be written (Error() says why).
  bool Stop();
  bool Running() const { return m_pFile != nullptr; }
  const std::string& Path() const { return m_path; }
  const std::string& Error() const { return m_error; }
  uint64_t Rows() const { return m_nRows; }

 private:
  void OnUpdate();
  void Fail(const std::string& why);

  MeasurementStation& m_station;
  std::FILE* m_pFile = nullptr;
  std::string m_path;
  std::string m_error;
  int m_nListener = 0;
  int m_nChannels = 1;
  uint64_t m_nStartNs = 0;
  uint64_t m_nRows = 0;
};
