#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Which way the signal must pass the level to trigger.
enum class TriggerSlope { kRising, kFalling, kEither };

// What makes a trigger, in the units of the samples searched (raw counts) and in samples.
struct TriggerCriteria {
  double level = 0;
  // A rising edge counts only after the signal was at or below level - hysteresis, a falling one
  // only after it was at or above level + hysteresis, so noise around the level never triggers.
  double hysteresis = 0;
  TriggerSlope slope = TriggerSlope::kRising;
  // Samples after a trigger during which no crossing triggers (the next trigger is the first
  // crossing at or past trigger + holdoff).
  double holdoff = 0;
};

// The crossing search over a stream of samples, numbered from the sample Reset gave on: every
// sample is looked at once, and the arming by the hysteresis and the holdoff carry over from one
// call to the next, so a stream cut into blocks finds the same triggers as in one piece.
class TriggerSearch {
 public:
  void SetCriteria(const TriggerCriteria& criteria) { m_criteria = criteria; }
  const TriggerCriteria& Criteria() const { return m_criteria; }

  // Forgets the samples seen, the arming and the last trigger; the next sample searched is
  // numbered next.
  void Reset(uint64_t next = 0);
  // The number of the next sample Search expects.
  uint64_t NextSample() const { return m_nNext; }

  // Searches samples[0..count), numbered NextSample() on, and appends the time of each trigger
  // to triggers: a fractional sample number where the cubic through the two samples that
  // straddle the level and their outer neighbours crosses it (CrossingBetween). A crossing
  // between the last two samples searched is appended with the next sample.
  void Search(const double* samples, std::size_t count, std::vector<double>& triggers);

 private:
  void Emit(double t, std::vector<double>& triggers);

  TriggerCriteria m_criteria;
  uint64_t m_nNext = 0;
  double m_history[3] = {0, 0, 0};  // the last three samples, newest last
  int m_nHistory = 0;
  bool m_bRiseArmed = false;
  bool m_bFallArmed = false;
  bool m_bHaveLast = false;
  double m_dLastTrigger = 0;
  bool m_bPending = false;  // a crossing after sample m_dPendingAt waits for its right neighbour
  double m_dPendingAt = 0;
};

// Where, between 0 and 1, the cubic through the samples x0, x1, x2, x3 (at -1, 0, 1, 2) crosses
// level, for x1 and x2 on either side of it. Follows a sine's bend far better than the straight
// line from x1 to x2: within a few hundredths of a sample up to a sixth of the rate.
double CrossingBetween(double x0, double x1, double x2, double x3, double level);

// Where a frame lies around a trigger: span samples wide with the trigger at position (0..1) of
// its width. first is the first sample at or past the frame's left edge, shift how far (in
// samples, 0 <= shift < 1) that sample lies right of the edge: the trace is drawn shifted by it.
struct FramePlacement {
  int64_t first = 0;
  double shift = 0;
  double trigger = 0;
};
FramePlacement PlaceFrame(double trigger, double position, double span);

// Of triggers (ascending), the newest whose frame (frameSamples samples from its first one)
// lies inside the samples [begin, end); it and every older trigger are removed, since none of
// them can be shown any more, and so is every trigger whose frame starts before begin. Triggers
// whose frame is not complete yet stay. Nothing when no frame fits.
std::optional<FramePlacement> TakeNewestFrame(std::vector<double>& triggers, double position,
                                              double span, int64_t frameSamples, int64_t begin,
                                              int64_t end);
// Of triggers (ascending), the first whose frame lies inside [begin, end); triggers are kept.
std::optional<FramePlacement> FirstFrameInside(const std::vector<double>& triggers, double position,
                                               double span, int64_t frameSamples, int64_t begin,
                                               int64_t end);

// The middle of the smallest and largest of samples[0..count) (0 for none): the "50 %" level.
double MidLevel(const double* samples, std::size_t count);
