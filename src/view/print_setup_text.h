#pragma once

#include <string>

class QPrinter;

// What the print setup dialog reports back about the chosen printer.
struct PrintSetupInfo {
  std::string driverName;
  std::string deviceName;
  std::string portName;
  int copies = 1;
  bool collate = false;
  bool pageRange = false;
  bool selection = false;
  int fromPage = 0;
  int toPage = 0;
};

// The message shown after the print setup dialog is confirmed: one tab-aligned line each for
// driver, device, port, copies, collation, the three print-range choices and the page range.
std::string BuildPrintSetupText(const PrintSetupInfo& info);

// The setup facts of a configured printer. A printer that writes a PDF file reports the driver
// "PDF", the device "Print to File (PDF)" and the file as its port; a system printer reports its
// make and model, its name and its location.
PrintSetupInfo DescribePrinter(const QPrinter& printer);
