#pragma once

#include <cstdint>
#include <vector>

#include "analysis/trigger_search.h"
#include "analysis/trigger_state.h"

// The trigger of the oscillograph as the program runs it: the settings, the search that has
// looked at every sample so far and the trigger times it found that no frame has used yet, and
// the mode's state. One for the program (CurrentTrigger), living on across views and POWER
// presses; the scope view feeds it and the frame and the panel read its state.
class TriggerControl {
 public:
  const TriggerSettings& Settings() const { return m_settings; }
  // New settings take effect with the next update; a new mode starts its sequence afresh.
  void SetSettings(const TriggerSettings& settings);
  bool IsOn() const { return m_settings.mode != TriggerMode::kOff; }
  // Single waits for its next trigger; the other modes start their wait afresh. Triggers found
  // before now are forgotten.
  void Rearm();
  // Forgets the samples searched (a new recording or a new view): the next search starts over.
  void Restart();
  // True while the settings ask for roll at timeBase ms/div, which the Live display then draws
  // untriggered.
  bool Rolls(float timeBase) const;

  TriggerStatus Status() const { return m_machine.Status(); }

  TriggerSearch& Search() { return m_search; }
  TriggerStateMachine& Machine() { return m_machine; }
  // Trigger times found and not yet shown, ascending.
  std::vector<double>& Pending() { return m_pending; }
  // The stream the search follows (a capture ring, or the Classic buffers), and whether the
  // search must start over before its next samples.
  const void* m_pStream = nullptr;
  bool m_bRestart = true;

 private:
  TriggerSettings m_settings;
  TriggerSearch m_search;
  TriggerStateMachine m_machine;
  std::vector<double> m_pending;
};

TriggerControl& CurrentTrigger();

// Slowest time base, ms/div, at which roll is offered.
constexpr float kRollTimeBaseMs = 20.0f;
