#include "view/measurement_log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "analysis/measurement_report.h"
#include "platform/capture_ring.h"
#include "view/measurement_station.h"

namespace {

bool WriteAll(std::FILE* f, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
}

}  // namespace

MeasurementLog::MeasurementLog(MeasurementStation& station) : m_station(station) {}

MeasurementLog::~MeasurementLog() { Stop(); }

bool MeasurementLog::Start(const std::string& path) {
  Stop();
  m_error.clear();
  m_path = path;
  m_pFile = std::fopen(path.c_str(), "wb");
  if (m_pFile == nullptr) {
    m_error = "cannot write the measurement log " + path + ": " + std::strerror(errno);
    return false;
  }
  m_nChannels = m_station.Channels();
  m_nRows = 0;
  if (!WriteAll(m_pFile, MeasurementLogHeader(m_nChannels))) {
    Fail("cannot write the measurement log " + path + ": " + std::strerror(errno));
    return false;
  }
  m_nStartNs = SteadyNowNs();
  m_nListener = m_station.AddListener([this] { OnUpdate(); });
  m_station.Want(MeasurementStation::kLogUser, true);
  return true;
}

void MeasurementLog::OnUpdate() {
  if (m_pFile == nullptr) return;
  const double seconds = static_cast<double>(SteadyNowNs() - m_nStartNs) / 1e9;
  const int channels = std::min(m_nChannels, m_station.Channels());
  std::string row = MeasurementLogRow(seconds, m_station.Last(), channels);
  // A column the header named keeps its place even if the channels changed meanwhile.
  for (int c = channels; c < m_nChannels; ++c) row.insert(row.size() - 1, kQuantityCount, ',');
  if (!WriteAll(m_pFile, row)) {
    Fail("the measurement log " + m_path + " stopped after " + std::to_string(m_nRows) +
         " rows: " + std::strerror(errno));
    return;
  }
  ++m_nRows;
}

void MeasurementLog::Fail(const std::string& why) {
  m_error = why;
  if (m_pFile != nullptr) std::fclose(m_pFile);
  m_pFile = nullptr;
  if (m_nListener != 0) m_station.RemoveListener(m_nListener);
  m_nListener = 0;
  m_station.Want(MeasurementStation::kLogUser, false);
}

bool MeasurementLog::Stop() {
  if (m_pFile == nullptr) return m_error.empty();
  const bool closed = std::fclose(m_pFile) == 0;
  m_pFile = nullptr;
  if (m_nListener != 0) m_station.RemoveListener(m_nListener);
  m_nListener = 0;
  m_station.Want(MeasurementStation::kLogUser, false);
  if (!closed && m_error.empty()) m_error = "the measurement log " + m_path + " was not closed";
  return m_error.empty();
}
