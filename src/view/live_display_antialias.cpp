// Live at time bases above 1: every t-th sample is kept only after a low-pass filter at the full
// rate, so a tone above the frame's half rate never shows at an alias frequency.

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/anti_alias_decimator.h"
#include "analysis/frame_decoding.h"
#include "platform/capture_ring.h"
#include "platform/ring_read.h"
#include "view/aurivue_view.h"
#include "view/capture_format.h"
#include "view/live_display.h"

bool LiveDisplay::DecodeAntiAliased(int timeBase) {
  AppState& app = CurrentApp();
  if (timeBase <= 1 || !m_view.m_pLeftSamples) return false;
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  if (!ring) return false;
  if (m_nAntiAliasFactor != timeBase) {
    m_antiAliasTaps = DesignAntiAliasFilter(timeBase);
    m_nAntiAliasFactor = timeBase;
  }
  const std::size_t n = static_cast<std::size_t>(m_view.m_nSamples);
  const std::size_t need = DecimatorInputCount(m_antiAliasTaps, timeBase, n);
  const std::size_t align = ring->FrameBytes();
  // What the ring cannot hold whole goes without the filter.
  if (need > RingReach(*ring)) return false;
  if (m_antiAliasRaw.size() < need * align) {
    m_antiAliasRaw.assign(need * align, 0);
    m_antiAliasLeft.assign(need, 0.0);
    m_antiAliasRight.assign(need, 0.0);
  }
  const CaptureFormat capture = CaptureFormatOf(app);
  if (ReadFramesEndingAt(*ring, ring->WritePosition(), need, capture.silenceByte,
                         m_antiAliasRaw.data()) != RingRead::kCopied) {
    return false;
  }

  const bool two = m_view.TwoChannels();
  const FrameFormat format = capture.Frame(static_cast<int>(need));
  ::DecodeFrame(m_antiAliasRaw.data(), need * align, format, m_antiAliasLeft.data(),
                two ? m_antiAliasRight.data() : nullptr);
  DecimateFiltered(m_antiAliasLeft.data(), need, m_antiAliasTaps, timeBase,
                   m_view.m_pLeftSamples.get(), n);
  FindPeak(m_view.m_pLeftSamples.get(), m_view.m_nSamples, m_view.m_dLeftPeak, m_view.m_dLeftMin);
  if (two) {
    DecimateFiltered(m_antiAliasRight.data(), need, m_antiAliasTaps, timeBase,
                     m_view.m_pRightSamples.get(), n);
    FindPeak(m_view.m_pRightSamples.get(), m_view.m_nSamples, m_view.m_dRightPeak,
             m_view.m_dRightMin);
  }
  return true;
}
