#pragma once

#include <cstdint>
#include <vector>

#include "analysis/transfer_estimator.h"

// Feeds the dual-channel estimate from an unbroken stream of the two channels, however it
// arrives (half-second buffers, or the few frames of a screen refresh): transforms overlap by
// half, and once a delay has been found the measured channel is read that many whole samples
// later (earlier when it leads), so that both frames cover the same stretch of the signal.
// Everything is allocated by the constructor; Push and Evaluate allocate nothing.
class ResponseStream {
 public:
  explicit ResponseStream(const TransferSettings& settings);

  // Forgets the averages and whatever is pending; the alignment found is kept.
  void Reset();
  void SetAveraging(TransferAveraging averaging, double exponentialWeight) {
    m_estimator.SetAveraging(averaging, exponentialWeight);
  }
  // Appends count samples of each channel; returns the number of transforms this added.
  int Push(const double* reference, const double* measured, std::int64_t count);
  // Evaluates the averages. When the delay found moves the measured frames by more than a
  // sample, the coming frames are read aligned with it (never more than a quarter of a
  // transform apart) and the averages start again: the estimator then holds no transform until
  // the next ones arrive.
  void Evaluate();

  const TransferEstimator& Estimator() const { return m_estimator; }
  int Size() const { return m_estimator.Size(); }

 private:
  int RunTransforms();

  TransferEstimator m_estimator;
  int m_nHop = 0;
  int m_nMaxOffset = 0;
  int m_nOffset = 0;
  std::vector<double> m_reference, m_measured;
  std::int64_t m_nHave = 0;  // samples pending in both
};
