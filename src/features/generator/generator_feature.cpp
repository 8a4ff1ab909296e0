#include "features/generator/generator_feature.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/generator_texts.h"
#include "analysis/log_sweep.h"
#include "analysis/pcm_samples.h"
#include "features/generator/generator_panel.h"
#include "features/generator/generator_parameters.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "platform/parameter_profile.h"
#include "platform/signal_output.h"
#include "platform/user_profile.h"
#include "platform/wave_in.h"
#include "platform/wave_out.h"

namespace {

// How long a fade-out may take before the device is closed.
constexpr int kCloseAfterMs = 100;

OutputSpec SpecForDevice(const QString& device) {
  OutputSpec spec;
  if (device == "none") {
    spec.kind = OutputSpec::Kind::None;
  } else if (!device.isEmpty()) {
    spec.kind = OutputSpec::Kind::Device;
    spec.name = device.toStdString();
  }
  return spec;
}

// Whether the output and the sound-card input share one clock: only then is a sweep's start known
// among the captured frames without searching for it.
QString ClockNote(OutputClock clock) {
  switch (clock) {
    case OutputClock::Shared:
      return "\nOutput and input share one clock (one duplex stream)";
    case OutputClock::Separate:
      return "\nOutput and input run on streams of their own: the device does not open both "
             "together";
    case OutputClock::Alone:
      break;
  }
  return QString();
}

}  // namespace

GeneratorFeature::GeneratorFeature() {
  LoadProfile();
  const GeneratorStartChoices start = SignalOutput::Instance().StartChoices();
  if (start.outputGiven) {
    m_deviceFixed = true;
    SignalOutput::Instance().SetDestination(start.output);
  } else if (CurrentWaveInput() == "loopback") {
    // The loopback alone plays nothing on a device.
    m_deviceFixed = true;
    OutputSpec none;
    none.kind = OutputSpec::Kind::None;
    SignalOutput::Instance().SetDestination(none);
  } else {
    SignalOutput::Instance().SetDestination(SpecForDevice(m_device));
  }
  if (start.generateGiven && !start.generate.file) {
    m_setup.channels = start.generate.channels;
  }
  m_setup.output = false;
  SetStimulusOutput(this);
}

GeneratorFeature::~GeneratorFeature() {
  // The panel (the frame's child) may outlive this by a moment: it calls nothing here any more.
  if (m_pPanel) {
    m_pPanel->onChanged = nullptr;
    m_pPanel->onOutput = nullptr;
    m_pPanel->onDevice = nullptr;
    if (m_pTimer != nullptr) m_pTimer->stop();
  }
  if (CurrentStimulusOutput() == this) SetStimulusOutput(nullptr);
  SignalOutput::Instance().Stop();
  GeneratorSetup quiet = m_setup;
  quiet.output = false;
  SignalOutput::Instance().Publish(quiet);
}

GeneratorPanel* GeneratorFeature::Panel() const { return m_pPanel.data(); }

uint32_t GeneratorFeature::Rate() const {
  return HasCurrentApp() && CurrentApp().m_nSampleRate != 0 ? CurrentApp().m_nSampleRate : 48000;
}

void GeneratorFeature::CreateParts(const FrameParts& parts) {
  m_pOwner = parts.owner;
  QWidget* owner = parts.owner;
  if (parts.menuBar != nullptr) {
    QMenu* menu = AddFeatureMenu(parts.menuBar, "&Generator");
    m_pPanelAction = AddCommand(menu, owner, "Generator &Panel", ID_GENERATOR_PANEL,
                                "Show or hide the signal generator's controls", true);
    m_pOutputAction = AddCommand(menu, owner, "&Output On", ID_GENERATOR_OUTPUT,
                                 "Play the generator on the output, independent of POWER", true);
  }
  m_pPanel = new GeneratorPanel(owner);
  m_pPanel->SetMaxFrequency(0.5 * Rate());
  m_pPanel->Show(m_setup);
  // The devices are listed when the panel shows: asking the sound system costs a moment that a
  // start without the panel need not pay.
  QStringList names;
  if (!m_device.isEmpty() && m_device != "none") names << m_device;
  m_pPanel->SetDevices(names, m_device);
  if (HasCurrentApp() && CurrentApp().m_nVoltValue > 0) {
    // The capture's full scale in counts over its calibration in counts a volt.
    const double fullScale = FullScale(CurrentApp().m_nBits);
    m_pPanel->SetFullScaleMillivolts(fullScale * 1000.0 / CurrentApp().m_nVoltValue);
  }
  if (m_deviceFixed) {
    const OutputSpec spec = SignalOutput::Instance().Destination();
    m_pPanel->SetNote(spec.kind == OutputSpec::Kind::None
                          ? "Output: none for this start (the loopback input or --output none)"
                          : "Output for this start: " + QString::fromStdString(spec.name));
  }
  m_pPanel->onChanged = [this] {
    Play(m_pPanel->Read(m_setup));
    SaveProfile();
  };
  m_pPanel->onOutput = [this](bool on) { SetOutput(on); };
  m_pPanel->onDevice = [this](const QString& device) { ChooseDevice(device); };
  if (parts.statusBar != nullptr) {
    m_pPane = new QLabel;
    m_pPane->setObjectName("generatorPane");
    parts.statusBar->addPermanentWidget(m_pPane);
    m_pPane->hide();
  }
  m_pTimer = new QTimer(m_pPanel);
  QObject::connect(m_pTimer, &QTimer::timeout, m_pPanel, [this] { RefreshPane(); });
  m_pTimer->start(250);
  UserProfile profile;
  if (profile.value("Generator/PanelShown", false).toBool()) ShowPanel(true);
  const GeneratorStartChoices start = SignalOutput::Instance().StartChoices();
  if (start.generateGiven) {
    std::string why;
    if (!start.generate.file) {
      SetOutput(true);
    } else if (SignalOutput::Instance().LoadRecording(start.generate.path, Rate(),
                                                      &m_setup.channels, &why)) {
      if (m_pPanel != nullptr) m_pPanel->Show(m_setup);
      SetOutput(true);
    } else {
      ShowMessageBox("--generate file:" + start.generate.path + ": " + why);
    }
  }
}

bool GeneratorFeature::OnCommand(int id) {
  switch (id) {
    case ID_GENERATOR_PANEL:
      ShowPanel(m_pPanel == nullptr || !m_pPanel->isVisible());
      return true;
    case ID_GENERATOR_OUTPUT:
      SetOutput(!m_setup.output);
      return true;
    default:
      return false;
  }
}

void GeneratorFeature::UpdateCommands() {
  if (m_pPanelAction != nullptr) m_pPanelAction->setChecked(m_pPanel && m_pPanel->isVisible());
  if (m_pOutputAction != nullptr) m_pOutputAction->setChecked(m_setup.output);
}

void GeneratorFeature::ShowPanel(bool shown) {
  if (m_pPanel == nullptr) return;
  if (shown && !m_pPanel->isVisible()) {
    QStringList names;
    for (const std::string& n : ListWaveOutDevices().names) names << QString::fromStdString(n);
    if (!m_device.isEmpty() && m_device != "none" && !names.contains(m_device)) names << m_device;
    m_pPanel->SetDevices(names, m_device);
  }
  m_pPanel->setVisible(shown);
  UserProfile profile;
  profile.setValue("Generator/PanelShown", shown);
  UpdateCommands();
}

void GeneratorFeature::Play(const GeneratorSetup& wanted) {
  const GeneratorSetup accepted = SignalOutput::Instance().Publish(wanted);
  bool limited = false;
  for (int c = 0; c < 2; ++c)
    limited = limited || accepted.channels[c].level < wanted.channels[c].level - 1e-12;
  m_setup = accepted;
  if (m_pPanel != nullptr) {
    if (limited) {
      m_pPanel->Show(m_setup);
      m_pPanel->SetNote("The level rose no further than the largest level rise allows");
    }
  }
  RefreshPane();
}

bool GeneratorFeature::SetOutput(bool on, std::string* error) {
  SignalOutput& output = SignalOutput::Instance();
  GeneratorSetup setup = m_setup;
  setup.output = on;
  m_bSweep = false;
  if (on) {
    Play(setup);
    std::string why;
    if (!output.Started() && !output.Start(Rate(), &why)) {
      setup.output = false;
      Play(setup);
      if (error != nullptr) {
        *error = why;
      } else {
        ShowMessageBox("The generator's output cannot start: " + why);
      }
      if (m_pPanel != nullptr) m_pPanel->Show(m_setup);
      UpdateCommands();
      return false;
    }
  } else {
    Play(setup);
    // The device stays open until the fade-out has played.
    QTimer::singleShot(kCloseAfterMs, m_pPanel.data(), [this] {
      if (!m_setup.output) SignalOutput::Instance().Stop();
    });
  }
  if (m_pPanel != nullptr) m_pPanel->Show(m_setup);
  UpdateCommands();
  RefreshPane();
  return true;
}

void GeneratorFeature::ChooseDevice(const QString& device) {
  m_device = device;
  m_deviceFixed = false;
  SaveProfile();
  SignalOutput& output = SignalOutput::Instance();
  const bool was = output.Started();
  output.Stop();
  output.SetDestination(SpecForDevice(device));
  if (was && m_setup.output) {
    std::string why;
    if (!output.Start(Rate(), &why)) {
      SetOutput(false);
      ShowMessageBox("The generator's output cannot start: " + why);
    }
  }
}

void GeneratorFeature::RefreshPane() {
  if (m_pPane == nullptr) return;
  const bool running = m_setup.output;
  m_pPane->setVisible(running);
  if (running) {
    m_pPane->setText(
        QString::fromStdString(OutputPaneText(m_setup, SignalOutput::Instance().Underruns())));
    m_pPane->setToolTip(QString::fromStdString(OutputPaneDetail(m_setup)) +
                        ClockNote(SignalOutput::Instance().Clock()));
  }
}

bool GeneratorFeature::PlaySweep(const SweepRequest& request, std::string& error) {
  const uint32_t rate = Rate();
  const double stop = std::min(request.stopHz, 0.5 * rate);
  if (!LogSweep::Valid(request.startHz, stop, request.seconds, rate)) {
    error = "the sweep " + std::to_string(request.startHz) + "-" + std::to_string(request.stopHz) +
            " Hz over " + std::to_string(request.seconds) + " s cannot be played at " +
            std::to_string(rate) + " Hz";
    return false;
  }
  GeneratorSetup setup = m_setup;
  const bool plays[2] = {request.left, request.right};
  for (int c = 0; c < 2; ++c) {
    ChannelSetup& ch = setup.channels[c];
    ch.on = plays[c];
    ch.waveform = Waveform::Sweep;
    ch.sweepStartHz = request.startHz;
    ch.sweepStopHz = stop;
    ch.sweepSeconds = request.seconds;
    ch.sweepRepeat = request.repeat;
    ch.level = plays[c] ? LevelFromDbfs(request.levelDbfs) : 0.0;
    ch.phaseDegrees = 0.0;
    ch.dcOffset = 0.0;
  }
  setup.run = m_setup.run + 1;  // from the sweep's first sample, with no fade in
  setup.output = true;
  Play(setup);
  SignalOutput& output = SignalOutput::Instance();
  std::string why;
  if (!output.Started() && !output.Start(Rate(), &why)) {
    setup.output = false;
    Play(setup);
    error = why;
    return false;
  }
  UpdateCommands();
  if (m_setup.channels[0].level + m_setup.channels[1].level <
      LevelFromDbfs(request.levelDbfs) * (request.left + request.right) - 1e-12) {
    error = "the sweep's level is limited by the generator's largest level rise";
  }
  m_bSweep = true;
  m_sweepFrames = LogSweep(request.startHz, stop, request.seconds, rate).Frames();
  if (m_pPanel != nullptr) m_pPanel->Show(m_setup);
  return true;
}

bool GeneratorFeature::Playing() const {
  if (!m_setup.output) return false;
  if (!m_bSweep || m_setup.channels[0].sweepRepeat) return true;
  SignalGenerator* generator = SignalOutput::Instance().GeneratorFor(0);
  return generator->FramesSinceStart() < m_sweepFrames;
}

void GeneratorFeature::StopOutput() { SetOutput(false); }

bool GeneratorFeature::SweepStartFrame(uint64_t& frame) const {
  return m_bSweep && SignalOutput::Instance().RunStartCaptureFrame(&frame);
}

void GeneratorFeature::LoadProfile() {
  GeneratorSettings settings;
  LoadParameterProfile(GeneratorParameters(), &settings);
  m_setup.channels = settings.channels;
  m_setup.maxLevelStep = settings.maxLevelStep;
  UserProfile profile;
  m_device = profile.value("Generator/OutputDevice", QString()).toString();
}

void GeneratorFeature::SaveProfile() const {
  const GeneratorSettings settings = Settings();
  SaveParameterProfile(GeneratorParameters(), &settings);
  if (!m_deviceFixed) {
    UserProfile profile;
    profile.setValue("Generator/OutputDevice", m_device);
  }
}

GeneratorSettings GeneratorFeature::Settings() const {
  GeneratorSettings settings;
  settings.channels = m_setup.channels;
  settings.maxLevelStep = m_setup.maxLevelStep;
  return settings;
}

void GeneratorFeature::ApplySettings(const GeneratorSettings& settings, bool remember) {
  // A setup never starts the output: what it plays is heard only once OUTPUT is pressed, through
  // the safety step like any other level.
  if (m_setup.output) SetOutput(false);
  m_setup.channels = settings.channels;
  m_setup.maxLevelStep = settings.maxLevelStep;
  m_bSweep = false;
  if (m_pPanel != nullptr) m_pPanel->Show(m_setup);
  if (remember) SaveProfile();
  UpdateCommands();
  RefreshPane();
}

const ParameterTable* GeneratorFeature::SetupTable() const { return &GeneratorParameters(); }

void GeneratorFeature::ReadSetup(void* settings) const {
  *static_cast<GeneratorSettings*>(settings) = Settings();
}

void GeneratorFeature::ApplySetup(const void* settings, const SetupApplication& how) {
  if (how.stage != SetupApplication::Stage::kOnView) return;
  // --generate given for this start wins over the setup's generator, as every option wins.
  if (!how.whole && SignalOutput::Instance().StartChoices().generateGiven) return;
  ApplySettings(*static_cast<const GeneratorSettings*>(settings), how.remember);
}
