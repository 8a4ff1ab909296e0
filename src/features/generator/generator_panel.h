#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "analysis/signal_generator.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The Generator panel: per channel its waveform, frequency, level (dBFS, or mV rms with the
// volts calibration) and on/off, a multitone's tones and a sweep's range, time and repetition,
// the OUTPUT switch of its own, the output device and the safety step. It shows a setup and reports
// what the user changed; the feature decides what is played.
class GeneratorPanel : public QWidget {
 public:
  explicit GeneratorPanel(QWidget* owner);

  // Shows setup (and OUTPUT) without reporting a change.
  void Show(const GeneratorSetup& setup);
  // The setup the controls describe, over base (what the panel does not show stays as in base).
  GeneratorSetup Read(const GeneratorSetup& base) const;
  // The output devices offered: "Default output", the names, "None"; current is selected.
  void SetDevices(const QStringList& names, const QString& current);
  void SetNote(const QString& text);
  // The input's calibration (millivolts at full scale; 0 for none): the levels are shown and set
  // in mV rms beside dBFS, as they arrive where the output is wired back to the input.
  void SetFullScaleMillivolts(double millivolts);
  // The highest frequency a tone may have (half the rate).
  void SetMaxFrequency(double hz) { m_maxHz = hz; }

  std::function<void()> onChanged;               // a channel's control or the safety step
  std::function<void(bool)> onOutput;            // OUTPUT pressed
  std::function<void(const QString&)> onDevice;  // "" default, "none", or a device name

  QPushButton* OutputButton() const { return m_output; }

 private:
  struct ChannelControls {
    QCheckBox* on = nullptr;
    QComboBox* waveform = nullptr;
    QDoubleSpinBox* frequency = nullptr;
    QDoubleSpinBox* level = nullptr;
    QDoubleSpinBox* duty = nullptr;
    QDoubleSpinBox* phase = nullptr;
    QDoubleSpinBox* dc = nullptr;
    QDoubleSpinBox* millivolts = nullptr;
    QLineEdit* tones = nullptr;
    QDoubleSpinBox* sweepStart = nullptr;
    QDoubleSpinBox* sweepStop = nullptr;
    QDoubleSpinBox* sweepSeconds = nullptr;
    QCheckBox* sweepRepeat = nullptr;
    QFormLayout* form = nullptr;
    double typedLevel = -1;  // the exact level behind the dBFS box (shown or typed in mV)
  };
  void ShowMillivolts();
  void ShowRows();
  void MillivoltsTyped(int channel);
  void TonesTyped(int channel);
  std::array<ChannelControls, 2> m_channels;
  QPushButton* m_output = nullptr;
  QComboBox* m_device = nullptr;
  QDoubleSpinBox* m_step = nullptr;
  QLabel* m_note = nullptr;
  bool m_showing = false;
  double m_fullScaleMv = 0.0;
  double m_maxHz = 96000.0;
};
