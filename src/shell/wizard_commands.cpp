#include "shell/wizard_commands.h"

#include "platform/command_ids.h"
#include "shell/channels_page.h"
#include "shell/complete_page.h"
#include "shell/filter_page.h"
#include "shell/rate_page.h"
#include "shell/volts_page.h"
#include "shell/window_page.h"

namespace {

std::unique_ptr<CSetupPage> MakePage(SetupPageKind kind) {
  switch (kind) {
    case SetupPageKind::Rate:
      return std::make_unique<CRatePage>();
    case SetupPageKind::Channels:
      return std::make_unique<CChannelsPage>();
    case SetupPageKind::Window:
      return std::make_unique<CWindowPage>();
    case SetupPageKind::Volts:
      return std::make_unique<CVoltsPage>();
    case SetupPageKind::Filter:
      return std::make_unique<CFilterPage>();
    case SetupPageKind::Complete:
      return std::make_unique<CCompletePage>();
  }
  return nullptr;
}

SetupWizardPlan FullWizard(const QString& voltsTitle) {
  return {QStringLiteral("Setup Wizard"),
          {{QStringLiteral("Step 1\t Setup Sampling Rate"), SetupPageKind::Rate},
           {QStringLiteral("Step 2\t Setup Channels"), SetupPageKind::Channels},
           {QStringLiteral("Step 3\t Setup Smoothing Window"), SetupPageKind::Window},
           {voltsTitle, SetupPageKind::Volts},
           {QStringLiteral("Step 5\t Setup Filter Frequency Point"), SetupPageKind::Filter},
           {QStringLiteral("Step 6\t Setup complete"), SetupPageKind::Complete}}};
}

SetupWizardPlan TwoStepWizard(const QString& caption, const QString& title, SetupPageKind kind) {
  return {caption,
          {{title, kind}, {QStringLiteral("Step 2\t Setup complete"), SetupPageKind::Complete}}};
}

}  // namespace

bool SetupWizardPlanFor(int commandId, SetupWizardPlan* plan) {
  switch (commandId) {
    case ID_SETUP_WIZARD:
      *plan = FullWizard(QStringLiteral("Step 4\t Setup Voltes"));
      return true;
    case ID_PANEL_SETUP_WIZARD:
      *plan = FullWizard(QStringLiteral("Step 4\t Setup Voltes Values"));
      return true;
    case ID_SETUP_RATE:
      *plan = TwoStepWizard(QStringLiteral("Sampling Rate"),
                            QStringLiteral("Step 1\t Setup Sampling Rate"), SetupPageKind::Rate);
      return true;
    case ID_SETUP_WINDOW:
      *plan =
          TwoStepWizard(QStringLiteral("SMOOTHING WINDOW"),
                        QStringLiteral("Step 1\t Setup Smoithing Window"), SetupPageKind::Window);
      return true;
    case ID_SETUP_CHANNELS:
      *plan = TwoStepWizard(QStringLiteral("Channels"), QStringLiteral("Step 1\t Setup Channels"),
                            SetupPageKind::Channels);
      return true;
    case ID_SETUP_VOLTS:
      *plan = TwoStepWizard(QStringLiteral("Volt Values"),
                            QStringLiteral("Step 1\t Setup Volt Values"), SetupPageKind::Volts);
      return true;
    case ID_SETUP_FILTER:
      *plan = TwoStepWizard(QStringLiteral("Filter Frequency Point"),
                            QStringLiteral("Step 1\t Setup Filter Frequency Point"),
                            SetupPageKind::Filter);
      return true;
    default:
      return false;
  }
}

SetupWizardSession::SetupWizardSession(const SetupWizardPlan& plan, QWidget* parent) {
  for (const SetupWizardStep& step : plan.steps) m_pages.push_back(MakePage(step.page));
  m_wizard = std::make_unique<CSetupWizard>(parent);
  m_wizard->SetTitle(plan.caption);
  for (size_t i = 0; i < plan.steps.size(); ++i) {
    m_wizard->AddPage(plan.steps[i].title, m_pages[i].get(),
                      static_cast<unsigned>(m_pages[i]->TemplateId()));
  }
}

SetupWizardSession::~SetupWizardSession() { m_wizard.reset(); }

std::unique_ptr<SetupWizardSession> CreateSetupWizardForCommand(int commandId, QWidget* parent) {
  SetupWizardPlan plan;
  if (!SetupWizardPlanFor(commandId, &plan)) return nullptr;
  return std::make_unique<SetupWizardSession>(plan, parent);
}

bool RunSetupWizardForCommand(int commandId, QWidget* parent) {
  std::unique_ptr<SetupWizardSession> session = CreateSetupWizardForCommand(commandId, parent);
  if (!session) return false;
  session->Wizard().exec();
  return true;
}
