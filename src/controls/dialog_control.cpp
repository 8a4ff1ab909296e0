#include "controls/dialog_control.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr char kIdProperty[] = "aurivueControlId";
}

void SetDialogControlId(QWidget* control, int id) {
  if (control != nullptr) control->setProperty(kIdProperty, id);
}

int DialogControlId(const QWidget* control) {
  if (control == nullptr) return 0;
  return control->property(kIdProperty).toInt();
}

QWidget* FindDialogControl(const QWidget* owner, int id) {
  if (owner == nullptr) return nullptr;
  for (QWidget* w : owner->findChildren<QWidget*>()) {
    if (DialogControlId(w) == id) return w;
  }
  return nullptr;
}
