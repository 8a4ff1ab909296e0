#include "shell/setup_page.h"

#include <QGroupBox>
#include <QLabel>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "platform/dialog_units.h"

namespace {
const char kCard[] = "Card";
}

CSetupPage::CSetupPage(int templateId) : m_nTemplateId(templateId) { hide(); }

CSetupPage::~CSetupPage() = default;

bool CSetupPage::Create(int templateId, QWidget* parent) {
  m_nTemplateId = templateId;
  setParent(parent);
  hide();
  resize(DialogRect(0, 0, 230, 160).size());
  if (!m_bBuilt) {
    BuildControls();
    m_bBuilt = true;
  }
  m_bCreated = true;
  OnInitDialog();
  return true;
}

void CSetupPage::DestroyWindow() {
  hide();
  setParent(nullptr);
  m_bCreated = false;
}

bool CSetupPage::UpdateData(bool) { return true; }

bool CSetupPage::LoadSettingsFile() {
  AppState& app = CurrentApp();
  app.m_config.SetPath(app.m_szIniPath);
  return app.m_config.Load();
}

int CSetupPage::GetCardInt(const char* key) { return CurrentApp().m_config.GetInt(kCard, key); }

void CSetupPage::SetCardInt(const char* key, int value, bool create) {
  CurrentApp().m_config.SetInt(kCard, key, value, create);
}

void CSetupPage::SaveSettingsFile() { CurrentApp().m_config.Save(); }

QGroupBox* CSetupPage::AddGroupBox(const QString& title, int x, int y, int w, int h) {
  auto* box = new QGroupBox(title, this);
  Place(box, x, y, w, h);
  return box;
}

QLabel* CSetupPage::AddText(const QString& text, int x, int y, int w, int h, Qt::Alignment align) {
  auto* label = new QLabel(text, this);
  label->setAlignment(align | Qt::AlignVCenter);
  Place(label, x, y, w, h);
  return label;
}

void CSetupPage::Place(QWidget* control, int x, int y, int w, int h) {
  control->setParent(this);
  control->setGeometry(DialogRect(x, y, w, h));
}
