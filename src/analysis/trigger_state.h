#pragma once

#include <cstdint>
#include <string>

#include "analysis/trigger_search.h"

// Off shows every frame as it comes; Auto shows triggered frames and, after a while without a
// trigger, untriggered ones; Normal only triggered ones; Single the first triggered frame, then
// holds it until armed again.
enum class TriggerMode { kOff, kAuto, kNormal, kSingle };

// What the instrument tells the user: OFF, WAIT, TRIG'D, AUTO (showing untriggered frames in
// Auto) and STOP (Single holding its frame).
enum class TriggerStatus { kOff, kWait, kTriggered, kAuto, kStop };
const char* TriggerStatusText(TriggerStatus status);

// The trigger as the user sets it.
struct TriggerSettings {
  TriggerMode mode = TriggerMode::kOff;
  int source = 0;  // 0 left, 1 right
  TriggerSlope slope = TriggerSlope::kRising;
  double levelMv = 0;
  // Of a vertical division of the source channel's chart, so the trigger keeps its hold on noise
  // and still fires on a trace that fills the screen at any sensitivity.
  double hysteresisDiv = 0.1;
  double positionPercent = 10;  // of the screen's width left of the trigger
  double holdoffMs = 0;
  bool roll = false;  // Live at 20 ms/div and slower: scroll untriggered instead

  // The same with every figure brought into its range (a value that is not a number takes the
  // default).
  TriggerSettings Limited() const;
};

// stored with the fields in which after differs from before: what a user changed, put into
// what the profile holds, so that a setting given for one start (on the command line) is not
// stored along with a change made in the menu.
TriggerSettings WithChanges(const TriggerSettings& before, const TriggerSettings& after,
                            TriggerSettings stored);

constexpr double kMaxTriggerHoldoffMs = 5000;
constexpr double kMaxTriggerHysteresisDiv = 2;
constexpr double kMaxTriggerLevelMv = 100000;

// Names used on the command line and in the profile: off, auto, normal, single; left, right;
// rising, falling, either. Parse* return false for any other text.
const char* TriggerModeName(TriggerMode mode);
const char* TriggerSlopeName(TriggerSlope slope);
bool ParseTriggerMode(const std::string& text, TriggerMode& mode);
bool ParseTriggerSlope(const std::string& text, TriggerSlope& slope);
bool ParseTriggerSource(const std::string& text, int& source);

// The search criteria in raw counts and samples: the level through the volts calibration
// (voltValue counts a volt, as the oscillograph converts), the hysteresis as a share of a
// division of divisionMv millivolts on the source channel's chart, the holdoff at rate samples a
// second.
TriggerCriteria CriteriaFor(const TriggerSettings& settings, int voltValue, double divisionMv,
                            unsigned rate);
// A level in raw counts as millivolts of the setting, and back.
double TriggerLevelCounts(double levelMv, int voltValue);
double TriggerLevelMv(double counts, int voltValue);

// The sequence of the modes, one step per display update. Times are sample numbers of the
// newest sample searched.
class TriggerStateMachine {
 public:
  enum class Show { kKeep, kTriggered, kUntriggered };

  // A new mode starts afresh; Single is armed.
  void SetMode(TriggerMode mode);
  TriggerMode Mode() const { return m_mode; }
  // Single: armed again, waiting for its next trigger. Any mode: the wait starts now.
  void Arm();
  // How long (samples) Auto waits without a trigger before it shows untriggered frames, and
  // Normal before it says WAIT again; 0 gives up at the first update without one.
  void SetTimeout(uint64_t samples) { m_nTimeout = samples; }

  // One update. triggered: a triggered frame is ready to be shown; now: the newest sample.
  // Returns what to show: the triggered frame, an untriggered one, or nothing new.
  Show Step(bool triggered, uint64_t now);
  TriggerStatus Status() const { return m_status; }

 private:
  TriggerMode m_mode = TriggerMode::kOff;
  TriggerStatus m_status = TriggerStatus::kOff;
  uint64_t m_nTimeout = 0;
  uint64_t m_nLast = 0;  // last trigger, or the start of the wait
  bool m_bStarted = false;
  bool m_bStopped = false;
};
