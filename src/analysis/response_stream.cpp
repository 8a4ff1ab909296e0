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
  while (at + m_nOffset + n <= m_nHave) {
    m_estimator.Add(m_reference.data() + at, m_measured.data() + at + m_nOffset, m_nOffset);
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
  // The measured channel leads (negative offset) only through a mistaken wiring; its frame is
  // then left where the reference's is.
  const int suggested = std::clamp(m_estimator.SuggestedOffset(), 0, m_nMaxOffset);
  // Frames read apart by the delay lose coherence and bias the gain by about the share of the
  // frame they miss: once the delay is known the averages start again on aligned frames. A
  // sample either way costs less than a thousandth of a decibel and is left, so that a delay
  // near half a sample does not restart them again and again.
  if (std::abs(suggested - m_nOffset) > 1) {
    m_nOffset = suggested;
    m_estimator.Reset();
  }
}
