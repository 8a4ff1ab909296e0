#include "shell/complete_page.h"

CCompletePage::CCompletePage() : CSetupPage(185) {}

void CCompletePage::BuildControls() {
  AddGroupBox(QString(), 10, 35, 210, 80);
  AddText(QStringLiteral("All above parameters will valid at next time!"), 20, 55, 195, 12);
  AddText(QStringLiteral("Press END button save these params!"), 20, 85, 195, 12);
}
