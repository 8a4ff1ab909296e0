#include "features/generator/generator_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "analysis/generator_texts.h"

namespace {

// The shapes the panel offers, in its list's order.
constexpr Waveform kShapes[] = {Waveform::Sine,      Waveform::Square,    Waveform::Triangle,
                                Waveform::Sawtooth,  Waveform::Pulse,     Waveform::WhiteNoise,
                                Waveform::PinkNoise, Waveform::Multitone, Waveform::Sweep,
                                Waveform::Recording};

bool Periodic(Waveform w) {
  return w == Waveform::Sine || w == Waveform::Square || w == Waveform::Triangle ||
         w == Waveform::Sawtooth || w == Waveform::Pulse;
}

int ShapeIndex(Waveform w) {
  for (int i = 0; i < static_cast<int>(std::size(kShapes)); ++i)
    if (kShapes[i] == w) return i;
  return 0;
}

QDoubleSpinBox* Spin(double lo, double hi, int decimals, const QString& suffix) {
  auto* s = new QDoubleSpinBox;
  s->setRange(lo, hi);
  s->setDecimals(decimals);
  s->setSuffix(suffix);
  s->setKeyboardTracking(false);  // a change is played when the figure is complete
  return s;
}

}  // namespace

GeneratorPanel::GeneratorPanel(QWidget* owner) : QWidget(owner, Qt::Tool) {
  setWindowTitle("Generator");
  setObjectName("generatorPanel");
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  m_output = new QPushButton("OUTPUT");
  m_output->setObjectName("generatorOutput");
  m_output->setCheckable(true);
  m_output->setToolTip("Play the generator on the output, independent of POWER");
  top->addWidget(m_output);
  m_device = new QComboBox;
  m_device->setObjectName("generatorDevice");
  top->addWidget(m_device, 1);
  layout->addLayout(top);
  const char* names[2] = {"Left", "Right"};
  for (int c = 0; c < 2; ++c) {
    auto* box = new QGroupBox(names[c]);
    auto* form = new QFormLayout(box);
    ChannelControls& ch = m_channels[c];
    ch.on = new QCheckBox("On");
    ch.waveform = new QComboBox;
    ch.waveform->setObjectName(QString("generatorWaveform%1").arg(c));
    for (Waveform w : kShapes) ch.waveform->addItem(WaveformWord(w));
    ch.frequency = Spin(0.001, 96000.0, 3, " Hz");
    ch.level = Spin(-120.0, 0.0, 2, " dBFS");
    ch.level->setSingleStep(0.5);
    ch.level->setObjectName(QString("generatorLevel%1").arg(c));
    ch.duty = Spin(1.0, 99.0, 1, " %");
    ch.phase = Spin(-360.0, 360.0, 1, " °");
    ch.dc = Spin(-100.0, 100.0, 2, " % FS");
    ch.millivolts = Spin(0.0, 1e6, 3, " mV rms");
    ch.millivolts->setObjectName(QString("generatorMillivolts%1").arg(c));
    ch.millivolts->setToolTip("The level as the rms of a sine, through the volts calibration");
    ch.tones = new QLineEdit;
    ch.tones->setObjectName(QString("generatorTones%1").arg(c));
    ch.tones->setToolTip(
        "Up to 32 frequencies in Hz, each with its level in dB against the others after an @: "
        "100, 1000@-6, 5000@-12");
    ch.sweepStart = Spin(0.001, 96000.0, 3, " Hz");
    ch.sweepStart->setObjectName(QString("generatorSweepStart%1").arg(c));
    ch.sweepStop = Spin(0.001, 96000.0, 3, " Hz");
    ch.sweepStop->setObjectName(QString("generatorSweepStop%1").arg(c));
    ch.sweepSeconds = Spin(0.01, 86400.0, 2, " s");
    ch.sweepSeconds->setObjectName(QString("generatorSweepSeconds%1").arg(c));
    ch.sweepRepeat = new QCheckBox("Repeat");
    ch.sweepRepeat->setObjectName(QString("generatorSweepRepeat%1").arg(c));
    ch.form = form;
    form->addRow(ch.on);
    form->addRow("Waveform", ch.waveform);
    form->addRow("Frequency", ch.frequency);
    form->addRow("Tones", ch.tones);
    form->addRow("Sweep from", ch.sweepStart);
    form->addRow("Sweep to", ch.sweepStop);
    form->addRow("Sweep time", ch.sweepSeconds);
    form->addRow("", ch.sweepRepeat);
    form->addRow("Level", ch.level);
    form->addRow("", ch.millivolts);
    form->addRow("Pulse duty", ch.duty);
    form->addRow("Phase", ch.phase);
    form->addRow("DC offset", ch.dc);
    layout->addWidget(box);
    auto changed = [this] {
      if (!m_showing && onChanged) onChanged();
    };
    connect(ch.on, &QCheckBox::toggled, this, changed);
    connect(ch.waveform, &QComboBox::currentIndexChanged, this, changed);
    connect(ch.frequency, &QDoubleSpinBox::valueChanged, this, changed);
    connect(ch.level, &QDoubleSpinBox::valueChanged, this, changed);
    connect(ch.duty, &QDoubleSpinBox::valueChanged, this, changed);
    connect(ch.phase, &QDoubleSpinBox::valueChanged, this, changed);
    connect(ch.dc, &QDoubleSpinBox::valueChanged, this, changed);
    connect(ch.sweepStart, &QDoubleSpinBox::valueChanged, this, changed);
    connect(ch.sweepStop, &QDoubleSpinBox::valueChanged, this, changed);
    connect(ch.sweepSeconds, &QDoubleSpinBox::valueChanged, this, changed);
    connect(ch.sweepRepeat, &QCheckBox::toggled, this, changed);
    connect(ch.level, &QDoubleSpinBox::valueChanged, this, [this, c] {
      if (!m_showing) m_channels[c].typedLevel = -1;  // the dBFS typed rules from now
      ShowMillivolts();
    });
    connect(ch.waveform, &QComboBox::currentIndexChanged, this, [this] { ShowRows(); });
    connect(ch.millivolts, &QDoubleSpinBox::valueChanged, this, [this, c] { MillivoltsTyped(c); });
    connect(ch.tones, &QLineEdit::editingFinished, this, [this, c] { TonesTyped(c); });
  }
  auto* safety = new QFormLayout;
  m_step = Spin(0.1, 100.0, 1, " % of full scale");
  m_step->setObjectName("generatorStep");
  m_step->setToolTip("The level never rises by more than this at once");
  safety->addRow("Largest level rise", m_step);
  layout->addLayout(safety);
  m_note = new QLabel;
  m_note->setObjectName("generatorNote");
  m_note->setWordWrap(true);
  layout->addWidget(m_note);
  connect(m_step, &QDoubleSpinBox::valueChanged, this, [this] {
    if (!m_showing && onChanged) onChanged();
  });
  connect(m_output, &QPushButton::toggled, this, [this](bool on) {
    if (!m_showing && onOutput) onOutput(on);
  });
  connect(m_device, &QComboBox::currentIndexChanged, this, [this](int) {
    if (m_showing || !onDevice) return;
    onDevice(m_device->currentData().toString());
  });
}

void GeneratorPanel::Show(const GeneratorSetup& setup) {
  m_showing = true;
  for (int c = 0; c < 2; ++c) {
    const ChannelSetup& s = setup.channels[c];
    ChannelControls& ch = m_channels[c];
    ch.on->setChecked(s.on);
    ch.waveform->setCurrentIndex(ShapeIndex(s.waveform));
    ch.frequency->setValue(s.frequency);
    ch.level->setValue(std::max(-120.0, LevelDbfs(s.level)));
    ch.duty->setValue(s.dutyPercent);
    ch.phase->setValue(s.phaseDegrees);
    ch.dc->setValue(100.0 * s.dcOffset);
    ch.tones->setText(QString::fromStdString(ToneListText(s)));
    ch.sweepStart->setValue(s.sweepStartHz);
    ch.sweepStop->setValue(s.sweepStopHz);
    ch.sweepSeconds->setValue(s.sweepSeconds);
    ch.sweepRepeat->setChecked(s.sweepRepeat);
    ch.typedLevel = s.level;
  }
  ShowMillivolts();
  ShowRows();
  m_step->setValue(100.0 * setup.maxLevelStep);
  m_output->setChecked(setup.output);
  m_showing = false;
}

GeneratorSetup GeneratorPanel::Read(const GeneratorSetup& base) const {
  GeneratorSetup setup = base;
  for (int c = 0; c < 2; ++c) {
    ChannelSetup& s = setup.channels[c];
    const ChannelControls& ch = m_channels[c];
    s.on = ch.on->isChecked();
    s.waveform = kShapes[std::max(0, ch.waveform->currentIndex())];
    if (std::fabs(ch.frequency->value() - s.frequency) > 0.0005)
      s.frequency = ch.frequency->value();
    // The spin box shows hundredths of a dB: a level it shows unchanged keeps its exact value,
    // and one set in millivolts the exact value typed.
    if (ch.typedLevel >= 0 &&
        std::fabs(ch.level->value() - std::max(-120.0, LevelDbfs(ch.typedLevel))) <= 0.005) {
      s.level = ch.typedLevel;
    } else if (std::fabs(ch.level->value() - std::max(-120.0, LevelDbfs(s.level))) > 0.005) {
      s.level = LevelFromDbfs(ch.level->value());
    }
    // A list that does not read keeps the tones playing (the note says why).
    ParseToneList(ch.tones->text().toStdString(), m_maxHz, &s, nullptr);
    if (std::fabs(ch.sweepStart->value() - s.sweepStartHz) > 0.0005)
      s.sweepStartHz = ch.sweepStart->value();
    if (std::fabs(ch.sweepStop->value() - s.sweepStopHz) > 0.0005)
      s.sweepStopHz = ch.sweepStop->value();
    if (std::fabs(ch.sweepSeconds->value() - s.sweepSeconds) > 0.005)
      s.sweepSeconds = ch.sweepSeconds->value();
    s.sweepRepeat = ch.sweepRepeat->isChecked();
    s.dutyPercent = ch.duty->value();
    if (std::fabs(ch.phase->value() - s.phaseDegrees) > 0.05) s.phaseDegrees = ch.phase->value();
    if (std::fabs(ch.dc->value() - 100.0 * s.dcOffset) > 0.005) s.dcOffset = ch.dc->value() / 100.0;
  }
  setup.maxLevelStep = m_step->value() / 100.0;
  setup.output = m_output->isChecked();
  return setup;
}

void GeneratorPanel::SetDevices(const QStringList& names, const QString& current) {
  m_showing = true;
  m_device->clear();
  m_device->addItem("Default output", QString());
  for (const QString& n : names) m_device->addItem(n, n);
  m_device->addItem("None (loopback only)", QString("none"));
  const int at = m_device->findData(current);
  m_device->setCurrentIndex(at >= 0 ? at : 0);
  m_showing = false;
}

void GeneratorPanel::SetNote(const QString& text) { m_note->setText(text); }

void GeneratorPanel::SetFullScaleMillivolts(double millivolts) {
  m_fullScaleMv = millivolts;
  ShowMillivolts();
}

void GeneratorPanel::ShowMillivolts() {
  const bool was = m_showing;
  m_showing = true;  // shown, not typed
  for (ChannelControls& ch : m_channels) {
    const double level = ch.typedLevel >= 0 ? ch.typedLevel : LevelFromDbfs(ch.level->value());
    ch.millivolts->setValue(SineRmsMillivolts(level, m_fullScaleMv));
    ch.form->setRowVisible(ch.millivolts, m_fullScaleMv > 0.0);
  }
  m_showing = was;
}

void GeneratorPanel::MillivoltsTyped(int channel) {
  if (m_showing || !(m_fullScaleMv > 0.0)) return;
  ChannelControls& ch = m_channels[channel];
  const double level = LevelFromSineRmsMillivolts(ch.millivolts->value(), m_fullScaleMv);
  ch.typedLevel = level;
  // The dBFS box follows, which plays the level (through the safety limit, as any rise).
  m_showing = true;
  ch.level->setValue(std::max(-120.0, LevelDbfs(level)));
  m_showing = false;
  ShowMillivolts();
  if (onChanged) onChanged();
}

void GeneratorPanel::TonesTyped(int channel) {
  if (m_showing) return;
  ChannelSetup probe;
  std::string error;
  if (!ParseToneList(m_channels[channel].tones->text().toStdString(), m_maxHz, &probe, &error)) {
    SetNote(QString("%1 tones: %2")
                .arg(channel == 0 ? "Left" : "Right", QString::fromStdString(error)));
    return;
  }
  SetNote(QString());
  if (onChanged) onChanged();
}

void GeneratorPanel::ShowRows() {
  for (ChannelControls& ch : m_channels) {
    const Waveform w = kShapes[std::max(0, ch.waveform->currentIndex())];
    ch.form->setRowVisible(ch.frequency, Periodic(w));
    ch.form->setRowVisible(ch.duty, w == Waveform::Pulse);
    ch.form->setRowVisible(ch.tones, w == Waveform::Multitone);
    for (QWidget* row :
         {static_cast<QWidget*>(ch.sweepStart), static_cast<QWidget*>(ch.sweepStop),
          static_cast<QWidget*>(ch.sweepSeconds), static_cast<QWidget*>(ch.sweepRepeat)}) {
      ch.form->setRowVisible(row, w == Waveform::Sweep);
    }
  }
}
