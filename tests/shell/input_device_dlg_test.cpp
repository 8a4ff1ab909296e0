#include "features/live/input_device_dlg.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <cstdlib>

#include "support/needs_environment.h"

namespace {

// Selects an input for one test and puts the previous one back.
class InputChoice {
 public:
  explicit InputChoice(const std::string& spec) : m_previous(CurrentWaveInput()) {
    SelectWaveInput(spec, nullptr);
  }
  ~InputChoice() { SelectWaveInput(m_previous, nullptr); }

 private:
  std::string m_previous;
};

}  // namespace

TEST(InputDeviceListTest, MarksTheDeviceInUseAndGivesBackTheOneChosen) {
  WaveInDeviceList devices;
  devices.names = {"HDA Intel: ALC (hw:0,0)", "USB Audio: Mic (hw:1,0)", "pulse", "default"};
  devices.defaultIndex = 3;
  InputDeviceDlg systemDefault(devices, "");
  QListWidget* list = systemDefault.List();
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(0)->text(), "System default");
  EXPECT_EQ(list->item(2)->text(), "USB Audio: Mic (hw:1,0)");
  EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
  EXPECT_EQ(systemDefault.Chosen(), "");

  InputDeviceDlg named(devices, "USB Audio: Mic (hw:1,0)");
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(named.List()->item(row)->checkState(), row == 2 ? Qt::Checked : Qt::Unchecked);
  }
  EXPECT_EQ(named.Chosen(), "USB Audio: Mic (hw:1,0)");
  named.List()->setCurrentRow(1);
  EXPECT_EQ(named.Chosen(), "HDA Intel: ALC (hw:0,0)");
  named.List()->setCurrentRow(0);
  EXPECT_EQ(named.Chosen(), "");
  // A device chosen earlier through the server's entry is the system default now.
  InputDeviceDlg server(devices, "pulse");
  EXPECT_EQ(server.List()->item(0)->checkState(), Qt::Checked);

  EXPECT_EQ(DeviceNameOfInput("device:pulse"), "pulse");
  EXPECT_EQ(DeviceNameOfInput("default"), "");
  EXPECT_EQ(DeviceNameOfInput("tone:1000"), "");
}

// One row per device: the sound server's entries are the system default, a name twice is one row.
TEST(InputDeviceListTest, EachDeviceIsListedOnce) {
  struct Case {
    std::vector<std::string> names;
    int defaultIndex;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {{"pulse", "default"}, 1, {"System default"}},
      {{"HDA Intel PCH: ALC892 Analog (hw:0,0)", "sysdefault", "pipewire", "pulse", "default"},
       4,
       {"System default", "HDA Intel PCH: ALC892 Analog (hw:0,0)", "sysdefault"}},
      {{"HDA Intel: ALC (hw:0,0)"}, 0, {"System default", "HDA Intel: ALC (hw:0,0)"}},
      {{"USB Mic", "USB Mic"}, -1, {"System default", "USB Mic"}},
      {{}, -1, {"System default"}},
  };
  for (const Case& c : cases) {
    WaveInDeviceList devices;
    devices.names = c.names;
    devices.defaultIndex = c.defaultIndex;
    const InputDeviceRows rows = ListInputDeviceRows(devices);
    EXPECT_EQ(rows.texts, c.rows);
    ASSERT_EQ(rows.names.size(), rows.texts.size());
    EXPECT_EQ(rows.names[0], "");
    for (size_t i = 1; i < rows.names.size(); ++i) EXPECT_EQ(rows.names[i], rows.texts[i]);
  }
}

// The list the dialog shows comes from the sound system, and every name in it opens.
TEST(InputDeviceListPulseTest, SoundServerDevicesAreListedByNameAndEachOneCanBeChosen) {
  REQUIRE_PULSE_DAEMON();
  InputChoice input("default");
  const WaveInDeviceList devices = ListWaveInDevices();
  ASSERT_FALSE(devices.names.empty());
  ASSERT_GE(devices.defaultIndex, 0);
  ASSERT_LT(devices.defaultIndex, static_cast<int>(devices.names.size()));
  bool pulse = false;
  for (const std::string& name : devices.names) {
    pulse = pulse || name.find("pulse") != std::string::npos;
    std::string error;
    ASSERT_TRUE(SelectWaveInput("device:" + name, &error)) << error;
    EXPECT_EQ(WaveInGetNumDevs(), 1u) << name;
    WaveInCaps caps;
    ASSERT_EQ(WaveInGetDevCaps(0, &caps, sizeof caps), MMSYSERR_NOERROR) << name;
    EXPECT_EQ(std::string(caps.szPname), name.substr(0, 31));
  }
  EXPECT_TRUE(pulse) << "the sound server's device is not among the inputs";
  // A chosen device stands out in the dialog.
  SelectWaveInput("device:" + devices.names.back(), nullptr);
  InputDeviceDlg dialog(devices, DeviceNameOfInput(CurrentWaveInput()));
  // The server is the system default row, listed once.
  for (int row = 1; row < dialog.List()->count(); ++row) {
    const QString text = dialog.List()->item(row)->text();
    EXPECT_TRUE(text != "pulse" && text != "default" && text != "pipewire") << text.toStdString();
  }
}
