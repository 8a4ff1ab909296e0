#include "view/view_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

#include "view/save_folders.h"

namespace {

SaveFileDialogHook& SaveHook() {
  static SaveFileDialogHook hook;
  return hook;
}

PrintDialogHook& PrintHook() {
  static PrintDialogHook hook;
  return hook;
}

PrintPreviewHook& PreviewHook() {
  static PrintPreviewHook hook;
  return hook;
}

}  // namespace

SaveFileDialogHook SetSaveFileDialogHook(SaveFileDialogHook hook) {
  SaveFileDialogHook previous = std::move(SaveHook());
  SaveHook() = std::move(hook);
  return previous;
}

PrintDialogHook SetPrintDialogHook(PrintDialogHook hook) {
  PrintDialogHook previous = std::move(PrintHook());
  PrintHook() = std::move(hook);
  return previous;
}

PrintPreviewHook SetPrintPreviewHook(PrintPreviewHook hook) {
  PrintPreviewHook previous = std::move(PreviewHook());
  PreviewHook() = std::move(hook);
  return previous;
}

std::string QtNameFilter(const std::string& filter) {
  // Pairs of description and pattern separated by '|'; the description already names the
  // pattern in parentheses, which is all a Qt name filter needs.
  std::string result;
  size_t start = 0;
  while (start < filter.size()) {
    size_t bar = filter.find('|', start);
    std::string description = filter.substr(start, bar == std::string::npos ? bar : bar - start);
    if (description.empty()) break;
    std::string pattern;
    if (bar != std::string::npos) {
      size_t next = filter.find('|', bar + 1);
      pattern = filter.substr(bar + 1, next == std::string::npos ? next : next - bar - 1);
      start = next == std::string::npos ? filter.size() : next + 1;
    } else {
      start = filter.size();
    }
    if (!result.empty()) result += ";;";
    result += description;
    if (!pattern.empty() && description.find('(') == std::string::npos) {
      result += " (" + pattern + ")";
    }
  }
  return result;
}

std::optional<std::string> RunSaveFileDialog(QWidget* owner, const SaveFileRequest& given) {
  SaveFileRequest request = given;
  if (!request.kind.empty()) request.initialPath = SaveFolderPath(request.kind, given.initialPath);
  std::optional<std::string> chosen =
      SaveHook() ? SaveHook()(request) : ShowSaveFileDialog(owner, request);
  if (chosen && !request.kind.empty()) RememberSaveFolder(request.kind, *chosen);
  return chosen;
}

namespace {

// The extension of the first pattern of a Qt name filter ("FLAC files(*.flac)" gives "flac").
QString FilterExtension(const QString& nameFilter) {
  const int star = nameFilter.indexOf("*.");
  if (star < 0) return QString();
  int end = star + 2;
  while (end < nameFilter.size() && nameFilter[end].isLetterOrNumber()) ++end;
  return nameFilter.mid(star + 2, end - star - 2);
}

}  // namespace

std::optional<std::string> ShowSaveFileDialog(QWidget* owner, const SaveFileRequest& request) {
  QFileDialog dialog(owner);
  if (!request.title.empty()) dialog.setWindowTitle(QString::fromStdString(request.title));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  dialog.setNameFilter(QString::fromStdString(QtNameFilter(request.filter)));
  QFileInfo initial(QString::fromStdString(request.initialPath));
  dialog.setDirectory(initial.absolutePath());
  dialog.selectFile(initial.fileName());
  // A name typed without an extension takes that of the file type chosen, not always the first.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
    const QString extension = FilterExtension(f);
    if (!extension.isEmpty()) dialog.setDefaultSuffix(extension);
  });
  // Qt's save dialog asks before overwriting unless told not to, and has no read-only box.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void PreparePrintDialog(QPrintDialog& dialog, PrintDialogKind kind) {
  // The framework's defaults: all pages, no page numbers, no selection.
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
  // Print to file stays hidden in setup, unless a file is the only place a page can go.
  dialog.setOption(QAbstractPrintDialog::PrintToFile,
                   kind == PrintDialogKind::kPrint || QPrinterInfo::availablePrinters().isEmpty());
  if (kind != PrintDialogKind::kSetup) return;
  dialog.setWindowTitle("Print Setup");
  // Setup only chooses the printer and its options; a button reading "Print" would promise a
  // page that never comes.
  for (QDialogButtonBox* buttons : dialog.findChildren<QDialogButtonBox*>()) {
    if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText("OK");
  }
}

bool RunPrintDialog(QWidget* owner, QPrinter& printer, PrintDialogKind kind) {
  if (PrintHook()) return PrintHook()(printer, kind);
  QPrintDialog dialog(&printer, kind == PrintDialogKind::kSetup ? nullptr : owner);
  PreparePrintDialog(dialog, kind);
  return dialog.exec() == QDialog::Accepted;
}

void RunPrintPreview(QWidget* owner, QPrinter& printer,
                     const std::function<void(QPrinter&)>& paint) {
  if (PreviewHook()) {
    PreviewHook()(printer, paint);
    return;
  }
  QPrintPreviewDialog dialog(&printer, owner);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                   [&paint](QPrinter* p) { paint(*p); });
  dialog.exec();
}
