#include "view/measurement_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cerrno>

#include "analysis/measurement_report.h"
#include "platform/capture_ring.h"
#include "platform/file_services.h"
#include "platform/message_box.h"
#include "view/file_error_text.h"
#include "view/measurement_station.h"

MeasurementLog::MeasurementLog(MeasurementStation& station) : m_station(station) {}

MeasurementLog::~MeasurementLog() { Stop(); }

bool MeasurementLog::Start(const std::string& path) {
  Stop();
  m_error.clear();
  m_bFailureShown = false;
  m_path = path;
  m_nBytes = 0;
  m_fd = OpenOutputFile(path, O_WRONLY, SpecialTarget::kWriteInPlace, true, &m_bRegular);
  if (m_fd < 0) {
    m_error = "cannot write the measurement log: " + FileErrorText(errno, path);
    return false;
  }
  m_nChannels = m_station.Channels();
  m_nRows = 0;
  if (int error = 0; !WriteWhole(MeasurementLogHeader(m_nChannels), &error)) {
    Fail("cannot write the measurement log: " + FileErrorText(error, path));
    return false;
  }
  m_nStartNs = SteadyNowNs();
  m_nListener = m_station.AddListener([this] { OnUpdate(); });
  m_station.Want(MeasurementStation::kLogUser, true);
  return true;
}

bool MeasurementLog::WriteWhole(const std::string& text, int* errorNumber) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *errorNumber = n < 0 ? errno : ENOSPC;
      // Half a row would read as a row of wrong numbers: the file ends with the last whole one.
      if (m_bRegular && done > 0 && ::ftruncate(m_fd, m_nBytes) == 0) {
        ::lseek(m_fd, m_nBytes, SEEK_SET);
      }
      return false;
    }
    done += static_cast<size_t>(n);
  }
  m_nBytes += static_cast<off_t>(done);
  return true;
}

void MeasurementLog::OnUpdate() {
  if (m_fd < 0) return;
  const double seconds = static_cast<double>(SteadyNowNs() - m_nStartNs) / 1e9;
  const int channels = std::min(m_nChannels, m_station.Channels());
  std::string row = MeasurementLogRow(seconds, m_station.Last(), channels);
  // A column the header named keeps its place even if the channels changed meanwhile.
  for (int c = channels; c < m_nChannels; ++c) row.insert(row.size() - 1, kQuantityCount, ',');
  if (int error = 0; !WriteWhole(row, &error)) {
    Fail("the measurement log stopped after " + std::to_string(m_nRows) +
         " rows: " + FileErrorText(error, m_path));
    // Said now, not when the run ends; posted, since this runs inside an analysis pass.
    const std::string text = m_error;
    m_bFailureShown = true;
    if (QCoreApplication::instance() != nullptr) {
      QTimer::singleShot(0, QCoreApplication::instance(), [text] { ShowMessageBox(text); });
    }
    return;
  }
  ++m_nRows;
}

void MeasurementLog::Fail(const std::string& why) {
  m_error = why;
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (m_nListener != 0) m_station.RemoveListener(m_nListener);
  m_nListener = 0;
  m_station.Want(MeasurementStation::kLogUser, false);
}

bool MeasurementLog::Stop() {
  if (m_fd < 0) return m_error.empty();
  const bool closed = ::close(m_fd) == 0;
  m_fd = -1;
  if (m_nListener != 0) m_station.RemoveListener(m_nListener);
  m_nListener = 0;
  m_station.Want(MeasurementStation::kLogUser, false);
  if (!closed && m_error.empty()) m_error = "the measurement log " + m_path + " was not closed";
  return m_error.empty();
}
