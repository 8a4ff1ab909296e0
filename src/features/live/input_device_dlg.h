#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "platform/wave_in.h"

class QListWidget;

// The rows the dialog lists: "System default" first, then each other device once. The sound
// server's own entries ("default", "pulse", "pipewire") all record from the system default, so
// they are that first row rather than rows of their own.
// names[i] is the device row i records from, empty for the system default.
struct InputDeviceRows {
  std::vector<std::string> texts;
  std::vector<std::string> names;
};
InputDeviceRows ListInputDeviceRows(const WaveInDeviceList& devices);

// Setup > Input Device List...: the sound-card input devices by name, the one in use marked.
// The first row stands for the system's default device.
class InputDeviceDlg : public QDialog {
 public:
  // current: the device in use by name, empty for the system's default.
  InputDeviceDlg(const WaveInDeviceList& devices, const std::string& current,
                 QWidget* parent = nullptr);

  // The chosen device's name, empty for the system's default.
  std::string Chosen() const;
  QListWidget* List() const { return m_pList; }

 private:
  InputDeviceRows m_rows;
  QListWidget* m_pList = nullptr;
};

// The device in use for an input SPEC: the name after "device:", empty for anything else.
std::string DeviceNameOfInput(const std::string& spec);
