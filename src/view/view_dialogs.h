#pragma once

#include <functional>
#include <optional>
#include <string>

class QPrintDialog;
class QPrinter;
class QWidget;

// The modal dialogs of the file commands, each behind a hook so that tests and scripted runs
// answer them instead of a user. With no hook installed the real Qt dialog is shown.

// A save-file dialog: default extension (appended when the name has none), initial file path,
// and a filter in the "Description(*.ext)|*.ext|" form. Hidden read-only box and an overwrite
// prompt are always asked for. With a kind (see save_folders.h) the dialog opens in the folder
// last used for that kind of file, offering the file name of initialPath, and remembers the
// folder chosen; the hook sees the request as the dialog shows it. A title replaces "Save As".
struct SaveFileRequest {
  std::string defaultExtension;
  std::string initialPath;
  std::string filter;
  std::string kind;
  std::string title;
};
// Answers with the chosen path, or nullopt for Cancel.
using SaveFileDialogHook = std::function<std::optional<std::string>(const SaveFileRequest&)>;
SaveFileDialogHook SetSaveFileDialogHook(SaveFileDialogHook hook);
std::optional<std::string> RunSaveFileDialog(QWidget* owner, const SaveFileRequest& request);
// The real dialog alone, as RunSaveFileDialog shows it when no hook is installed.
std::optional<std::string> ShowSaveFileDialog(QWidget* owner, const SaveFileRequest& request);

// The print dialog: kPrint before printing, kSetup for print setup only (no owner). The hook may
// change printer as a user would; it answers true for OK.
enum class PrintDialogKind { kPrint, kSetup };
using PrintDialogHook = std::function<bool(QPrinter& printer, PrintDialogKind kind)>;
PrintDialogHook SetPrintDialogHook(PrintDialogHook hook);
bool RunPrintDialog(QWidget* owner, QPrinter& printer, PrintDialogKind kind);
// Sets the options and texts of a real print dialog for kind, as RunPrintDialog shows it.
void PreparePrintDialog(QPrintDialog& dialog, PrintDialogKind kind);

// Print preview: paint draws the page into the preview's printer as often as the preview
// needs it. The hook gets the printer and the paint function.
using PrintPreviewHook =
    std::function<void(QPrinter& printer, const std::function<void(QPrinter&)>& paint)>;
PrintPreviewHook SetPrintPreviewHook(PrintPreviewHook hook);
void RunPrintPreview(QWidget* owner, QPrinter& printer,
                     const std::function<void(QPrinter&)>& paint);

// Turns a "Description(*.ext)|*.ext|" filter into Qt name filters.
std::string QtNameFilter(const std::string& filter);
