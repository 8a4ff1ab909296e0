#pragma once

#include <QDialog>
#include <string>

#include "platform/wave_in.h"

class QListWidget;

// Setup > Input Device List...: the sound-card input devices by name, the one in use marked.
// The first row stands for the system's default device.
class CInputDeviceDlg : public QDialog {
 public:
  // current: the device in use by name, empty for the system's default.
  CInputDeviceDlg(const WaveInDeviceList& devices, const std::string& current,
                  QWidget* parent = nullptr);

  // The chosen device's name, empty for the system's default.
  std::string Chosen() const;
  QListWidget* List() const { return m_pList; }

 private:
  WaveInDeviceList m_devices;
  QListWidget* m_pList = nullptr;
};

// The device in use for an input SPEC: the name after "device:", empty for anything else.
std::string DeviceNameOfInput(const std::string& spec);
