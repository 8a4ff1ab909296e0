#include "analysis/response_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

ResponseStream::ResponseStream(const TransferSettings& settings) : m_estimator(settings) {
  const int n = m_estimator.Size();
  m_nHop = n / 2;
  m_nMaxOffset = n / 4;
  // One transform, the largest offset, and as much again to take new samples into.
  const std::size_t capacity = static_cast<std::size_t>(2 * n + m_nMaxOffset);
  m_reference.assign(capacity, 0.0);
  m_measured.assign(capacity, 0.0);
}

void ResponseStream::Reset() {
  m_estimator.Reset();
  m_nHave = 0;
}

int ResponseStream::RunTransforms() {
  const int n = m_estimator.Size();
  std::int64_t at = 0;
  int added = 0;
  // A measured channel that lags is read later than the reference; one that leads, earlier,
  // which is the reference read later.
  const int referenceLater = m_nOffset < 0 ? -m_nOffset : 0;
  const int measuredLater = m_nOffset > 0 ? m_nOffset : 0;
  while (at + std::max(referenceLater, measuredLater) + n <= m_nHave) {
    m_estimator.Add(m_reference.data() + at + referenceLater,
                    m_measured.data() + at + measuredLater, m_nOffset);
    at += m_nHop;
    ++added;
  }
  if (at > 0) {
    const std::size_t keep = static_cast<std::size_t>(m_nHave - at);
    std::memmove(m_reference.data(), m_reference.data() + at, keep * sizeof(double));
    std::memmove(m_measured.data(), m_measured.data() + at, keep * sizeof(double));
    m_nHave = static_cast<std::int64_t>(keep);
  }
  return added;
}

int ResponseStream::Push(const double* reference, const double* measured, std::int64_t count) {
  const std::int64_t capacity = static_cast<std::int64_t>(m_reference.size());
  int added = 0;
  while (count > 0) {
    const std::int64_t take = std::min(count, capacity - m_nHave);
    std::memcpy(m_reference.data() + m_nHave, reference, static_cast<std::size_t>(take) * 8);
    std::memcpy(m_measured.data() + m_nHave, measured, static_cast<std::size_t>(take) * 8);
    m_nHave += take;
    reference += take;
    measured += take;
    count -= take;
    added += RunTransforms();
  }
  return added;
}

void ResponseStream::Evaluate() {
  m_estimator.Evaluate();
  if (m_estimator.Transforms() == 0) return;
  // A measured channel that leads the reference (a reference taken after the device, a device
  // that plays ahead of its input's clock) is aligned as one that lags.
  const int suggested = std::clamp(m_estimator.SuggestedOffset(), -m_nMaxOffset, m_nMaxOffset);
  // Frames read apart by the delay lose coherence and bias the gain by about the share of the
  // frame they miss: once the delay is known the averages start again on aligned frames. A
  // sample either way costs less than a thousandth of a decibel and is left, so that a delay
  // near half a sample does not restart them again and again.
  if (std::abs(suggested - m_nOffset) > 1) {
    m_nOffset = suggested;
    m_estimator.Reset();
  }
}
