#include "view/aurivue_view.h"

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "platform/command_ids.h"

CAurivueView::CAurivueView(CAurivueDoc* doc, QWidget* parent) : QWidget(parent), m_pDocument(doc) {}

CAurivueView::~CAurivueView() {
  SendCommandTo(this, CurrentApp().m_nDisplayMode + TEARDOWN_COMMAND_OFFSET);
}

void CAurivueView::OnInitialUpdate() {
  SendCommandTo(this, CurrentApp().m_nDisplayMode + SETUP_COMMAND_OFFSET);
}

bool CAurivueView::OnCommand(int id) {
  if (id == ID_BUFFER_READY) return true;
  if (id >= 1100 && id <= 1415) return true;
  switch (id) {
    case ID_FILE_SAVE_BMP:
    case ID_FILE_PRINT_SETUP:
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_PREVIEW:
    case ID_EXPORT_DATA:
    case ID_HELP_CONTENTS:
      return true;
    default:
      return false;
  }
}

void CAurivueView::OnDraw(DeviceContext& /*dc*/) {}
