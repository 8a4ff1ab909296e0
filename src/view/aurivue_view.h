#pragma once

#include <QWidget>

#include "platform/message_target.h"

class CAurivueDoc;
class DeviceContext;

// The main view: owns the charts and analysis arrays of the current display mode, builds the
// charts once (set-up command), runs one analysis pass per filled buffer (compute command) and
// destroys the chart windows when it goes (teardown command).
class CAurivueView : public QWidget, public MessageTarget {
 public:
  explicit CAurivueView(CAurivueDoc* doc, QWidget* parent = nullptr);
  ~CAurivueView() override;

  CAurivueDoc* GetDocument() const { return m_pDocument; }

  // Decodes the current buffer and sends the current mode's set-up command.
  void OnInitialUpdate();
  bool OnCommand(int id) override;
  // Draws the charts of the current layout into a printer or preview context.
  void OnDraw(DeviceContext& dc);

 private:
  CAurivueDoc* m_pDocument;
};
