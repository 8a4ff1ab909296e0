#pragma once

#include <QString>

#include "controls/vela_layout_form_view.h"

class ImageButton;
class RotarySwitch;

// Control ids of the panel's template.
constexpr int IDD_CONTROL_PANEL = 113;
constexpr int IDC_TIMEBASE_SWITCH = 120;
constexpr int IDC_LEFT_SWITCH = 122;
constexpr int IDC_RIGHT_SWITCH = 124;
constexpr int IDC_POWER = 148;
constexpr int IDC_WEBSITE_BUTTON = 1054;
constexpr int IDC_WIZARD_BUTTON = 1057;

// The address the web-site button opens: the user guide installed with the program, as long as
// the product has no public site.
QString ProductHomePage();

// The instrument's front plate: time-base and channel switches, POWER, the wizard and the
// web-site buttons. It keeps no measurement state: every change goes to the application object.
class CControlView : public VelaLayoutFormView {
  Q_OBJECT

 public:
  explicit CControlView(QWidget* parent = nullptr);
  ~CControlView() override;

  // Sets up the switches, buttons and the resize layout; call once, after creation.
  void OnInitialUpdate();

  bool OnCommand(int id) override;
  long OnMessage(unsigned msg, long wParam, long lParam) override;

  // A switch was released: wParam is its notify id. Returns 0.
  long OnSwitchChanged(long wParam, long lParam);
  void OnPower();
  void OnWizard();
  void OnWebsite();

  ImageButton* WebsiteButton() const { return m_pWebsite; }
  ImageButton* WizardButton() const { return m_pWizard; }
  ImageButton* PowerButton() const { return m_pPower; }
  RotarySwitch* RightSwitch() const { return m_pRightSwitch; }
  RotarySwitch* LeftSwitch() const { return m_pLeftSwitch; }
  RotarySwitch* TimeBaseSwitch() const { return m_pTimeBaseSwitch; }

 private:
  ImageButton* m_pWebsite = nullptr;
  ImageButton* m_pWizard = nullptr;
  ImageButton* m_pPower = nullptr;
  RotarySwitch* m_pRightSwitch = nullptr;
  RotarySwitch* m_pLeftSwitch = nullptr;
  RotarySwitch* m_pTimeBaseSwitch = nullptr;
  bool m_bInitialised = false;
};
