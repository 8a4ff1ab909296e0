#pragma once

class QWidget;

// Controls of a dialog template are known by their numeric id; the id travels with the widget
// so that owners can find a control and a button can name itself in its command.
void SetDialogControlId(QWidget* control, int id);
// 0 when the widget carries no id.
int DialogControlId(const QWidget* control);
// The child of `owner` (at any depth) with the given id, or nullptr.
QWidget* FindDialogControl(const QWidget* owner, int id);
