#include "controls/control_view.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "controls/dialog_control.h"
#include "controls/image_button.h"
#include "controls/rotary_switch.h"
#include "platform/command_ids.h"
#include "platform/dialog_units.h"
#include "platform/file_services.h"

namespace {

struct Detent {
  const char* label;
  float value;
};

constexpr Detent kTimeBaseDetents[] = {{"1 ms", 1.0f},  {"2 ms", 2.0f},  {"5 ms", 5.0f},
                                       {"10ms", 10.0f}, {"20ms", 20.0f}, {"50ms", 50.0f}};

// The value of each step is half the number in its label; the scope view scales with these.
constexpr Detent kChannelDetents[] = {{"5 mv ", 2.5f},  {"10mv ", 5.0f},  {"20mv ", 10.0f},
                                      {"50mv ", 25.0f}, {"100mv", 50.0f}, {"200mv", 100.0f},
                                      {"500mv", 250.0f}};

constexpr int kTimeBaseDefault = 0;
constexpr int kChannelDefault = 6;

template <size_t N>
void SetUpSwitch(RotarySwitch* sw, QWidget* owner, int id, const char* caption,
                 const Detent (&detents)[N], int position) {
  sw->SetOwner(owner);
  sw->SetNotifyId(id);
  sw->SetCaption(QString::fromLatin1(caption));
  sw->SetPositionCount(static_cast<int>(N));
  for (size_t i = 0; i < N; ++i) {
    sw->SetPositionLabel(static_cast<int>(i), QString::fromLatin1(detents[i].label),
                         detents[i].value);
  }
  sw->SetPosition(position);
  sw->repaint();
}

template <typename T>
T* Place(T* control, int id, const QRect& rect) {
  SetDialogControlId(control, id);
  control->setGeometry(rect);
  return control;
}

void ActivateScopeView() { SendCommandTo(GetMainWindow(), ID_ACTIVATE_SCOPE_VIEW); }

}  // namespace

QString ProductHomePage() {
  // The guide is copied beside the built program and installed under share/aurivue.
  const QString dir = QString::fromStdString(ExecutableDirectory());
  const QStringList candidates = {
      dir + "/docs/index.html",
      dir + "/../share/aurivue/docs/index.html",
  };
  for (const QString& path : candidates) {
    if (QFileInfo::exists(path)) return QUrl::fromLocalFile(QDir::cleanPath(path)).toString();
  }
  return QUrl::fromLocalFile(QDir::cleanPath(candidates.front())).toString();
}

CControlView::CControlView(QWidget* parent) : VelaLayoutFormView(parent) {
  // The controls of template 113, in its order (which is also the tab order).
  m_pLeftSwitch = Place(new RotarySwitch(this), IDC_LEFT_SWITCH, DialogRect(1, 0, 82, 79));
  m_pRightSwitch = Place(new RotarySwitch(this), IDC_RIGHT_SWITCH, DialogRect(83, 0, 83, 79));
  m_pTimeBaseSwitch =
      Place(new RotarySwitch(this), IDC_TIMEBASE_SWITCH, DialogRect(167, 0, 79, 79));
  m_pWizard = Place(new ImageButton(this), IDC_WIZARD_BUTTON, DialogRect(253, 6, 40, 14));
  m_pWebsite = Place(new ImageButton(this), IDC_WEBSITE_BUTTON, DialogRect(309, 8, 42, 15));
  m_pPower = Place(new ImageButton(this, IMAGE_BUTTON_AUTOCHECKBOX), IDC_POWER,
                   DialogRect(255, 61, 94, 15));
  m_pPower->setText(QStringLiteral("POWER"));
  resize(DialogRect(0, 0, 361, 80).size());
}

CControlView::~CControlView() = default;

void CControlView::OnInitialUpdate() {
  if (m_bInitialised) return;
  m_bInitialised = true;

  LayoutManager& layout = Layout();
  auto left = layout.CreatePaneCtrl(IDC_LEFT_SWITCH, LAYOUT_HORIZONTAL, 0, 5, 10, 10);
  auto right = layout.CreatePaneCtrl(IDC_RIGHT_SWITCH, LAYOUT_HORIZONTAL, 0, 5, 10, 10);
  auto timeBase = layout.CreatePaneCtrl(IDC_TIMEBASE_SWITCH, LAYOUT_HORIZONTAL, 0, 5, 10, 10);
  auto buttonRow = layout.CreatePane(LAYOUT_HORIZONTAL, 0, 5, 0);
  buttonRow->AddChild(layout.CreateItem(IDC_WIZARD_BUTTON, 0))
      .AddChild(layout.CreateItem(IDC_WEBSITE_BUTTON, 0));
  auto buttonColumn = layout.CreatePane(LAYOUT_VERTICAL, 0, 5, 0);
  buttonColumn->AddChild(buttonRow).AddChild(layout.CreateItem(IDC_POWER, 0));
  layout.SetRoot(LAYOUT_HORIZONTAL, 5, 0)
      ->AddChild(left)
      .AddChild(right)
      .AddChild(timeBase)
      .AddChild(buttonColumn);
  if (width() != 0 || height() != 0) UpdateLayout();

  SetUpSwitch(m_pTimeBaseSwitch, this, IDC_TIMEBASE_SWITCH, "Time Base Switch (ms/div)",
              kTimeBaseDetents, kTimeBaseDefault);
  SetUpSwitch(m_pLeftSwitch, this, IDC_LEFT_SWITCH, "Channel Left (mv/div)", kChannelDetents,
              kChannelDefault);
  SetUpSwitch(m_pRightSwitch, this, IDC_RIGHT_SWITCH, "Channel Right (mv/div)", kChannelDetents,
              kChannelDefault);

  const QColor face = palette().color(QPalette::Button);
  for (ImageButton* b : {m_pWizard, m_pPower, m_pWebsite}) {
    b->SetStateColour(BTNCOLOR_BK_IN, face);
    b->SetHoverCursor(128);
  }
  m_pWizard->LoadBitmapImages(180, QColor(255, 255, 255));
  m_pWizard->SetTip(QStringLiteral("Start setup Wizard!"));
  m_pPower->LoadIconImages(158, 159);
  m_pPower->SetTip(QStringLiteral("Power Control"));
  m_pWebsite->LoadBitmapImages(182, QColor(255, 255, 255));
  m_pWebsite->SetLinkAddress(ProductHomePage());
  m_pWebsite->SetTip(QStringLiteral("Aurivue home page: the user guide"));
}

bool CControlView::OnCommand(int id) {
  switch (id) {
    case IDC_POWER:
      OnPower();
      return true;
    case IDC_WIZARD_BUTTON:
      OnWizard();
      return true;
    case IDC_WEBSITE_BUTTON:
      OnWebsite();
      return true;
    default:
      return false;
  }
}

long CControlView::OnMessage(unsigned msg, long wParam, long lParam) {
  if (msg == WM_SWITCH_CHANGED) return OnSwitchChanged(wParam, lParam);
  return 0;
}

long CControlView::OnSwitchChanged(long wParam, long) {
  ActivateScopeView();
  AppState& app = CurrentApp();
  switch (wParam) {
    case IDC_TIMEBASE_SWITCH:
      app.m_fTimeBase = m_pTimeBaseSwitch->GetValue();
      break;
    case IDC_LEFT_SWITCH:
      app.m_fLeftScale = m_pLeftSwitch->GetValue();
      break;
    case IDC_RIGHT_SWITCH:
      app.m_fRightScale = m_pRightSwitch->GetValue();
      break;
    default:
      break;
  }
  // Zero: the switch keeps the cursor of the press.
  return 0;
}

void CControlView::OnPower() {
  ActivateScopeView();
  AppState& app = CurrentApp();
  app.m_bPowerOn = ~app.m_bPowerOn;
  // The button's pressed-in look follows the power state, also when the command came from code.
  m_pPower->SetChecked(app.m_bPowerOn != 0);
  m_pPower->setEnabled(false);
  if (app.m_bPowerOn != 0) {
    app.m_capture.Start();
  } else {
    app.m_capture.Stop();
    // A new start never follows a stop more closely than this.
    QThread::msleep(50);
  }
  m_pPower->setEnabled(true);
}

void CControlView::OnWizard() {
  SendCommandTo(GetMainWindow(), ID_PANEL_SETUP_WIZARD);
  ActivateScopeView();
}

void CControlView::OnWebsite() { ActivateScopeView(); }
