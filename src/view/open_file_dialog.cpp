#include "view/open_file_dialog.h"

#include <QFileDialog>

#include "view/view_dialogs.h"

namespace {

OpenFileDialogHook& OpenHook() {
  static OpenFileDialogHook hook;
  return hook;
}

}  // namespace

OpenFileDialogHook SetOpenFileDialogHook(OpenFileDialogHook hook) {
  OpenFileDialogHook previous = std::move(OpenHook());
  OpenHook() = std::move(hook);
  return previous;
}

std::optional<std::string> RunOpenFileDialog(QWidget* owner, const OpenFileRequest& request) {
  if (OpenHook()) return OpenHook()(request);
  QFileDialog dialog(owner, QString::fromStdString(request.title),
                     QString::fromStdString(request.initialFolder));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QString::fromStdString(QtNameFilter(request.filter)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}
