#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "shell/setup_wizard.h"

class CSetupPage;
class QWidget;

// The wizard one Setup command opens: its caption and its steps, each a title and a page.
enum class SetupPageKind { Rate, Channels, Window, Volts, Filter, Complete };

struct SetupWizardStep {
  QString title;
  SetupPageKind page;
};

struct SetupWizardPlan {
  QString caption;
  std::vector<SetupWizardStep> steps;
};

// The plan for ID_SETUP_RATE, ID_SETUP_WINDOW, ID_SETUP_CHANNELS, ID_SETUP_VOLTS,
// ID_SETUP_FILTER, ID_SETUP_WIZARD or ID_PANEL_SETUP_WIZARD; false for any other id.
bool SetupWizardPlanFor(int commandId, SetupWizardPlan* plan);

// One command's wizard with its pages: the pages are built first and outlive the wizard.
class SetupWizardSession {
 public:
  SetupWizardSession(const SetupWizardPlan& plan, QWidget* parent);
  ~SetupWizardSession();

  CSetupWizard& Wizard() { return *m_wizard; }
  CSetupPage* Page(int index) const { return m_pages.at(index).get(); }

 private:
  std::vector<std::unique_ptr<CSetupPage>> m_pages;
  std::unique_ptr<CSetupWizard> m_wizard;
};

// Builds the wizard of a Setup command without running it; nullptr for any other id.
std::unique_ptr<SetupWizardSession> CreateSetupWizardForCommand(int commandId, QWidget* parent);

// Runs the command's wizard modally. False (and nothing shown) for any other id.
bool RunSetupWizardForCommand(int commandId, QWidget* parent);
