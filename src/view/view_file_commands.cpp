// The scope view's File menu commands: export, picture, print, print preview, print setup, help.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QThread>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "platform/device_context.h"
#include "platform/file_services.h"
#include "platform/message_box.h"
#include "platform/shell_services.h"
#include "view/aurivue_view.h"
#include "view/bmp_writer.h"
#include "view/export_writer.h"
#include "view/file_error_text.h"
#include "view/print_output.h"
#include "view/print_setup_text.h"
#include "view/save_folders.h"
#include "view/view_dialogs.h"

namespace {

constexpr int kPictureWaitMs = 500;
// Resolution of the PDF file printed where no printer is installed.
constexpr int kPdfResolution = 300;

constexpr char kPdfKind[] = "Pdf";

// The framework's default printer; where none is installed, a PDF file in the folder last used
// for printed pages (at first the user's documents folder).
void SelectDefaultPrinter(QPrinter& printer) {
  if (QPrinterInfo::availablePrinters().isEmpty() || printer.printerName().isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(kPdfResolution);
    printer.setOutputFileName(QString::fromStdString(SaveFolderPath(kPdfKind, "Aurivue.pdf")));
  }
}

void RememberPdfFolder(const QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
    RememberSaveFolder(kPdfKind, printer.outputFileName().toStdString());
  }
}

}  // namespace

void CAurivueView::OnExportData() {
  const AppState& app = CurrentApp();
  std::optional<std::string> path = RunSaveFileDialog(
      this,
      SaveFileRequest{"TXT", app.m_szExportPath, "Export text files(*.txt)|*.txt|", "Export", ""});
  if (!path) return;
  // The frames as they are now: buffers handled while the dialog was open have changed them.
  const int records = m_pLeftSamples ? m_nSamples : 0;
  std::string text =
      FormatExportText(app.m_nChannels, records, m_pLeftSamples.get(), m_pRightSamples.get());
  int error = 0;
  if (!WriteExportFile(*path, text, error)) ShowMessageBox(FileErrorText(error, *path));
}

void CAurivueView::OnFileSaveBmp() {
  const AppState& app = CurrentApp();
  // The picture is taken before any dialog covers the view.
  int pictureError = 0;
  const bool pictureTaken = SaveWindowAsBmp(this, app.m_szTmpBmpPath, &pictureError) == 0;
  QThread::msleep(kPictureWaitMs);
  std::optional<std::string> path = RunSaveFileDialog(
      this, SaveFileRequest{"BMP", app.m_szBmpPath, "BMP files(*.bmp)|*.bmp|", "Picture", ""});
  if (!path) return;  // the temporary picture stays for the next time
  if (!pictureTaken) {
    // Copying would save an older picture (or none) under the new name as if it were this one.
    ShowMessageBox(FileErrorText(pictureError, app.m_szTmpBmpPath));
    return;
  }
  std::string bytes;
  if (int readError = 0; !ReadRegularFile(app.m_szTmpBmpPath, bytes, &readError)) {
    ShowMessageBox(FileErrorText(readError, app.m_szTmpBmpPath));
    return;
  }
  int error = 0;
  if (!WriteExportFile(*path, bytes, error)) {
    // The picture is kept in the temporary file, so nothing is lost.
    ShowMessageBox(FileErrorText(error, *path));
    return;
  }
  DeleteFileAt(app.m_szTmpBmpPath);
}

void CAurivueView::PrintPage(QPrinter& printer) {
  const PrintOutcome outcome = PrintPageTo(printer, [this](QPainter& painter) {
    DeviceContext dc(&painter);
    OnDraw(dc);
  });
  if (outcome.kind == PrintOutcome::Kind::kNotStarted) {
    ShowMessageBox("Could not start print job.");
  } else if (outcome.kind == PrintOutcome::Kind::kFileError) {
    ShowMessageBox(FileErrorText(outcome.error, printer.outputFileName().toStdString()));
  }
}

void CAurivueView::OnFilePrint() {
  QPrinter printer(QPrinter::HighResolution);
  SelectDefaultPrinter(printer);
  if (!RunPrintDialog(this, printer, PrintDialogKind::kPrint)) return;
  RememberPdfFolder(printer);
  PrintPage(printer);
}

void CAurivueView::OnFilePrintPreview() {
  QPrinter printer(QPrinter::HighResolution);
  SelectDefaultPrinter(printer);
  RunPrintPreview(this, printer, [this](QPrinter& p) { PrintPage(p); });
}

void CAurivueView::OnFilePrintSetup() {
  // A printer of its own: the choice made here is not kept for Print or Print Preview.
  QPrinter printer(QPrinter::HighResolution);
  SelectDefaultPrinter(printer);
  if (!RunPrintDialog(nullptr, printer, PrintDialogKind::kSetup)) return;
  ShowMessageBox(BuildPrintSetupText(DescribePrinter(printer)));
}

void CAurivueView::OnHelpContents() { ShowHelpFile(CurrentApp().m_szHelpPath, this); }
