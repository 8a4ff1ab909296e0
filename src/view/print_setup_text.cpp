#include "view/print_setup_text.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace {

const char* YesNo(bool b) { return b ? "Yes" : "No"; }

}  // namespace

std::string BuildPrintSetupText(const PrintSetupInfo& info) {
  std::string text;
  text += "Driver name:\t\t" + info.driverName;
  text += "\nDevice name:\t\t" + info.deviceName;
  text += "\nPort name:\t\t" + info.portName;
  text += "\nNumber of copies:\t\t" + std::to_string(info.copies);
  text += std::string("\nCollate:\t\t\t") + YesNo(info.collate);
  text += std::string("\nPrint all:\t\t\t") + YesNo(!info.pageRange && !info.selection);
  text += std::string("\nPrint range:\t\t") + YesNo(info.pageRange);
  text += std::string("\nSelection:\t\t\t") + YesNo(info.selection);
  text += "\nFrom page:\t\t" + std::to_string(info.pageRange ? info.fromPage : -1);
  text += "\nTo page:\t\t\t" + std::to_string(info.pageRange ? info.toPage : -1);
  return text;
}

PrintSetupInfo DescribePrinter(const QPrinter& printer) {
  PrintSetupInfo info;
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    info.driverName = "PDF";
    info.deviceName = "Print to File (PDF)";
    info.portName = printer.outputFileName().toStdString();
  } else {
    QPrinterInfo system(printer);
    info.driverName = system.makeAndModel().toStdString();
    info.deviceName = printer.printerName().toStdString();
    info.portName = system.location().toStdString();
  }
  info.copies = printer.copyCount();
  info.collate = printer.collateCopies();
  info.pageRange = printer.printRange() == QPrinter::PageRange;
  info.selection = printer.printRange() == QPrinter::Selection;
  info.fromPage = printer.fromPage();
  info.toPage = printer.toPage();
  return info;
}
