#pragma once

#include <string>

class QWidget;

// The name that marks the running instance: "CSingleInstance_MMF_" and the application name.
std::string SingleInstanceName();

// Makes sure only one instance runs per user. The first instance's claim lives exactly as long
// as its process (also when it is killed); a second start asks the first to come to the front.
class CSingleInstance {
 public:
  // True when another instance runs. Otherwise this process becomes the running instance and
  // mainWindow is what later starts bring to the front.
  bool FindRunningInstance(QWidget* mainWindow);
  // Brings the running instance's window (restored if minimised) to the front.
  void ActivateRunningInstance();
};

// What the running instance does when asked: the window's active modal dialog, if any, else the
// window itself, restored if minimised, raised and activated.
void BringWindowToFront(QWidget* window);
