#pragma once

#include <functional>
#include <optional>
#include <string>

class QWidget;

// The open-file dialog, behind a hook so that tests answer it instead of a user: a title, the
// folder it starts in and a filter in the "Description(*.a *.b)|*.a;*.b|" form. With no hook
// installed the real dialog is shown (existing files only).
struct OpenFileRequest {
  std::string title;
  std::string initialFolder;
  std::string filter;
};
// Answers with the chosen path, or nullopt for Cancel.
using OpenFileDialogHook = std::function<std::optional<std::string>(const OpenFileRequest&)>;
OpenFileDialogHook SetOpenFileDialogHook(OpenFileDialogHook hook);
std::optional<std::string> RunOpenFileDialog(QWidget* owner, const OpenFileRequest& request);
