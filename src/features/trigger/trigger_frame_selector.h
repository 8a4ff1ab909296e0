#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "view/view_feature.h"

// The trigger's part of the scope view: which frame of the Classic buffer or of the capture ring
// the oscillograph shows, and where its trace and marks are drawn. It lives with the trigger, on
// across views; each new view starts its search afresh.
class TriggerFrameSelector : public ViewFeature {
 public:
  void ViewStarting(CAurivueView& view) override;
  FrameChoice SelectClassicFrame(CAurivueView& view) override;
  FrameChoice SelectLiveFrame(CAurivueView& view, std::size_t span) override;
  void NewestFrameShown(CAurivueView& view) override;
  // The triggered trace's place between two samples; 0 untriggered.
  double TraceShiftMs() const override { return m_dTraceShiftMs; }

 private:
  bool Applies(const CAurivueView& view) const;
  void ShowWaitingMarks(CAurivueView& view);
  void ShowMarks(CAurivueView& view, bool triggered);
  // No shift and no marks, as without a trigger.
  void Clear(CAurivueView& view);
  // Takes the source channel of frames interleaved frames at full rate into out.
  void SourceSamplesFrom(const unsigned char* data, std::size_t frames, double* out) const;
  // The search follows stream (a capture ring); a new one, or a restart, begins at sample next.
  void PrepareSearch(const void* stream, uint64_t next);

  double m_dTraceShiftMs = 0;
  bool m_bMarks = false;
  std::vector<unsigned char> m_bytes;
  std::vector<double> m_samples;
};

// The middle of the smallest and largest sample of the trigger source in view's newest frame, mV.
double TriggerSourceMidMv(const CAurivueView& view);
