#include "analysis/trigger_search.h"

#include <algorithm>
#include <cmath>

void TriggerSearch::Reset(uint64_t next) {
  m_nNext = next;
  m_nHistory = 0;
  m_bRiseArmed = false;
  m_bFallArmed = false;
  m_bHaveLast = false;
  m_bPending = false;
}

double CrossingBetween(double x0, double x1, double x2, double x3, double level) {
  // The cubic through (-1, x0), (0, x1), (1, x2), (2, x3), in the Newton form around 0.
  const double c0 = x1;
  const double d1 = x2 - x1;
  const double d2 = (x2 - 2 * x1 + x0) / 2;
  const double d3 = (x3 - 3 * x2 + 3 * x1 - x0) / 6;
  auto p = [&](double t) { return c0 + t * d1 + t * (t - 1) * d2 + (t + 1) * t * (t - 1) * d3; };
  const bool rising = x2 > x1;
  // x1 and x2 straddle the level, so the cubic crosses it between 0 and 1: halve the interval
  // keeping the crossing inside, down to the double's resolution.
  double lo = 0, hi = 1;
  for (int i = 0; i < 52; ++i) {
    const double mid = (lo + hi) / 2;
    const double v = p(mid);
    if (v == level) return mid;
    if ((v < level) == rising) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return (lo + hi) / 2;
}

void TriggerSearch::Emit(double t, std::vector<double>& triggers) {
  if (!m_bHaveLast || t >= m_dLastTrigger + m_criteria.holdoff) {
    triggers.push_back(t);
    m_dLastTrigger = t;
    m_bHaveLast = true;
  }
}

void TriggerSearch::Search(const double* samples, std::size_t count,
                           std::vector<double>& triggers) {
  const double level = m_criteria.level;
  const double h = std::max(0.0, m_criteria.hysteresis);
  const bool rising = m_criteria.slope != TriggerSlope::kFalling;
  const bool falling = m_criteria.slope != TriggerSlope::kRising;
  for (std::size_t i = 0; i < count; ++i) {
    const double x = samples[i];
    // A crossing found at the last sample is placed now that the sample after it is known.
    if (m_bPending) {
      m_bPending = false;
      const double before = m_nHistory >= 3 ? m_history[0] : 2 * m_history[1] - m_history[2];
      Emit(m_dPendingAt + CrossingBetween(before, m_history[1], m_history[2], x, level), triggers);
    }
    if (m_nHistory >= 1) {
      const double p = m_history[2];
      // The arming comes from the samples before this one, so an edge that both arms and
      // crosses within one step (a square wave) still counts.
      const bool up = rising && m_bRiseArmed && p < level && x >= level;
      const bool down = falling && m_bFallArmed && p > level && x <= level;
      if (up || down) {
        // A crossing uses up its arming also inside the holdoff: after it, the signal has to go
        // round again, so the holdoff never ends half-way up an edge.
        if (up) m_bRiseArmed = false;
        if (down) m_bFallArmed = false;
        m_bPending = true;
        m_dPendingAt = static_cast<double>(m_nNext + i) - 1.0;
      }
    }
    if (x <= level - h) m_bRiseArmed = true;
    if (x >= level + h) m_bFallArmed = true;
    m_history[0] = m_history[1];
    m_history[1] = m_history[2];
    m_history[2] = x;
    if (m_nHistory < 3) ++m_nHistory;
  }
  m_nNext += count;
}

FramePlacement PlaceFrame(double trigger, double position, double span) {
  const double edge = trigger - position * span;
  FramePlacement p;
  p.first = static_cast<int64_t>(std::ceil(edge));
  p.shift = static_cast<double>(p.first) - edge;
  p.trigger = trigger;
  return p;
}

namespace {

bool Inside(const FramePlacement& p, int64_t frameSamples, int64_t begin, int64_t end) {
  return p.first >= begin && p.first + frameSamples <= end;
}

}  // namespace

std::optional<FramePlacement> TakeNewestFrame(std::vector<double>& triggers, double position,
                                              double span, int64_t frameSamples, int64_t begin,
                                              int64_t end) {
  std::optional<FramePlacement> chosen;
  std::size_t drop = 0;
  for (std::size_t i = triggers.size(); i-- > 0;) {
    const FramePlacement p = PlaceFrame(triggers[i], position, span);
    if (Inside(p, frameSamples, begin, end)) {
      chosen = p;
      drop = i + 1;
      break;
    }
  }
  // Frames that start before begin are gone for good, shown or not.
  while (drop < triggers.size() && PlaceFrame(triggers[drop], position, span).first < begin) {
    ++drop;
  }
  triggers.erase(triggers.begin(), triggers.begin() + static_cast<std::ptrdiff_t>(drop));
  return chosen;
}

std::optional<FramePlacement> FirstFrameInside(const std::vector<double>& triggers, double position,
                                               double span, int64_t frameSamples, int64_t begin,
                                               int64_t end) {
  for (double t : triggers) {
    const FramePlacement p = PlaceFrame(t, position, span);
    if (Inside(p, frameSamples, begin, end)) return p;
  }
  return std::nullopt;
}

double MidLevel(const double* samples, std::size_t count) {
  if (count == 0) return 0;
  const auto [lo, hi] = std::minmax_element(samples, samples + count);
  return (*lo + *hi) / 2.0;
}
