#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <string>

#include "analysis/signal_generator.h"
#include "features/generator/generator_settings.h"
#include "features/instrument_feature.h"
#include "features/stimulus_output.h"

class GeneratorPanel;
class QAction;
class QLabel;
class QTimer;

// The signal generator on the card's output: the Generator menu and panel, the OUTPUT switch
// (independent of POWER), the output pane of the status bar, and the stimulus the analysers ask
// for. Its choices live in the per-user profile; OUTPUT always starts off, except with
// --generate.
class GeneratorFeature : public InstrumentFeature, public StimulusOutput {
 public:
  GeneratorFeature();
  ~GeneratorFeature() override;

  void CreateParts(const FrameParts& parts) override;
  bool OnCommand(int id) override;
  void UpdateCommands() override;
  const ParameterTable* SetupTable() const override;
  void ReadSetup(void* settings) const override;
  void ApplySetup(const void* settings, const SetupApplication& how) override;

  bool PlaySweep(const SweepRequest& request, std::string& error) override;
  bool Playing() const override;
  void StopOutput() override;
  bool SweepStartFrame(uint64_t& frame) const override;

  // Turns OUTPUT on or off; false (with the reason shown) when the output cannot start.
  bool SetOutput(bool on, std::string* error = nullptr);
  bool OutputOn() const { return m_setup.output; }
  const GeneratorSetup& Setup() const { return m_setup; }
  // The choices a setup holds, and putting a setup's into force: the output goes off, the panel
  // shows them, and with remember the profile keeps them.
  GeneratorSettings Settings() const;
  void ApplySettings(const GeneratorSettings& settings, bool remember);
  GeneratorPanel* Panel() const;
  QLabel* Pane() const { return m_pPane; }

 private:
  void Play(const GeneratorSetup& setup);
  void LoadProfile();
  void SaveProfile() const;
  void ShowPanel(bool shown);
  void ChooseDevice(const QString& device);
  void RefreshPane();
  uint32_t Rate() const;

  GeneratorSetup m_setup;
  QString m_device;            // "" default, "none", or a device name (the profile's choice)
  bool m_deviceFixed = false;  // --output or the loopback input chose it for this start
  QWidget* m_pOwner = nullptr;
  QPointer<GeneratorPanel> m_pPanel;
  QAction* m_pPanelAction = nullptr;
  QAction* m_pOutputAction = nullptr;
  QLabel* m_pPane = nullptr;
  QTimer* m_pTimer = nullptr;
  bool m_bSweep = false;
  uint64_t m_sweepFrames = 0;
};
