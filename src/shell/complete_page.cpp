#include "shell/complete_page.h"

CCompletePage::CCompletePage() : CSetupPage(185) {}

void CCompletePage::BuildControls() {
  AddGroupBox(QString(), 15, 35, 200, 80);
  AddText(QStringLiteral("All above parameters will valid at next time!"), 30, 55, 175, 12);
  AddText(QStringLiteral("Press END button save these params!"), 30, 85, 175, 12);
}
