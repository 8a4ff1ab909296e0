#include "features/generator/generator_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
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
    for (Waveform w : kShapes) ch.waveform->addItem(WaveformWord(w));
    ch.frequency = Spin(0.001, 96000.0, 3, " Hz");
    ch.level = Spin(-120.0, 0.0, 2, " dBFS");
    ch.level->setSingleStep(0.5);
    ch.duty = Spin(1.0, 99.0, 1, " %");
    ch.phase = Spin(-360.0, 360.0, 1, " °");
    ch.dc = Spin(-100.0, 100.0, 2, " % FS");
    ch.millivolts = new QLabel;
    form->addRow(ch.on);
    form->addRow("Waveform", ch.waveform);
    form->addRow("Frequency", ch.frequency);
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
    connect(ch.level, &QDoubleSpinBox::valueChanged, this, [this] { ShowMillivolts(); });
  }
  auto* safety = new QFormLayout;
  m_step = Spin(0.1, 100.0, 1, " % of full scale");
  m_step->setToolTip("The level never rises by more than this at once");
  safety->addRow("Largest level rise", m_step);
  layout->addLayout(safety);
  m_note = new QLabel;
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
  }
  ShowMillivolts();
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
    // The spin box shows hundredths of a dB: a level it shows unchanged keeps its exact value.
    if (std::fabs(ch.level->value() - std::max(-120.0, LevelDbfs(s.level))) > 0.005)
      s.level = LevelFromDbfs(ch.level->value());
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
  for (ChannelControls& ch : m_channels) {
    const double mv = SineRmsMillivolts(LevelFromDbfs(ch.level->value()), m_fullScaleMv);
    ch.millivolts->setText(m_fullScaleMv > 0.0 ? QString("%1 mV rms for a sine").arg(mv, 0, 'f', 2)
                                               : QString());
  }
}
