#pragma once

#include <string>
#include <vector>

#include "acquisition/spectrum_options.h"
#include "analysis/trigger_state.h"
#include "features/cursors/cursor_settings.h"
#include "features/generator/generator_settings.h"
#include "features/measure/measure_settings.h"
#include "features/response/response_settings.h"
#include "features/spectrogram/spectrogram_options.h"
#include "platform/parameter.h"

// The whole state of the instrument that a setup file holds: what the display shows, the
// control panel's switches, Live or Classic and every feature's choices. A setup never holds
// or changes the card settings of "Aurivue.ini"; it only notes them (card) so that a setup
// opened on another card can say what differs.
struct InstrumentState {
  int displayMode = 602;
  bool live = false;
  int timeBaseMs = 1;  // figures the switches show: ms/div and mV/div
  int leftMv = 500;
  int rightMv = 500;
  int curtainRate = 10;
  TriggerSettings trigger;
  SpectrumOptions spectrum;
  GeneratorSettings generator;  // held with the output off: a setup never starts it
  MeasureSettings measure;      // the readout beside the display
  ResponseSettings response;
  SpectrogramOptions spectrogram;
  CursorSettings cursors;  // the first chart's cursors and the spectrum markers

  struct Card {
    int rate = 0;  // 0: not noted
    int channels = 0;
    int bits = 0;
    bool operator==(const Card&) const = default;
  } card;
};

// The settings in state that a feature's parameter table reads and writes (nullptr for a table
// of settings the state does not hold).
void* SettingsIn(InstrumentState& state, const ParameterTable& table);
const void* SettingsIn(const InstrumentState& state, const ParameterTable& table);

// The text of a setup file for state: commented, one "key = value" line per setting under a
// [section], keys named like the command-line options where one exists.
std::string WriteSetupText(const InstrumentState& state);

// What reading a setup gave: on success the state (the base with every entry the text holds put
// in) and the entries it did not know (a newer version's, say: "[Section] key (line N)"); on a
// broken text one error line naming the line, and the base unchanged.
struct SetupReadResult {
  bool ok = false;
  std::string error;
  InstrumentState state;
  std::vector<std::string> ignored;
};
SetupReadResult ReadSetupText(const std::string& text, const InstrumentState& base);

// What a user is told about the card settings a setup was made with when they differ from those
// in force (empty when they agree or the setup noted none).
std::string CardDifferenceText(const InstrumentState::Card& setup,
                               const InstrumentState::Card& current);
