#pragma once

#include <QString>
#include <QWidget>

#include "platform/message_target.h"

class QLabel;
class QGroupBox;

// One step of the setup wizard: a child window of 230 x 160 dialog units whose controls are laid
// out as its template says. The object outlives its window: the wizard creates the window when
// it opens and destroys it when it closes, while the object belongs to whoever built the wizard.
class CSetupPage : public QWidget, public MessageTarget {
 public:
  explicit CSetupPage(int templateId);
  ~CSetupPage() override;

  int TemplateId() const { return m_nTemplateId; }

  // Creates the window as a hidden child of parent (its controls are built once) and runs the
  // initialisation hook, which reads the settings file.
  bool Create(int templateId, QWidget* parent);
  // Hides the window and detaches it from the wizard; the controls stay for the object's life.
  void DestroyWindow();
  bool IsCreated() const { return m_bCreated; }

  // Validates and stores the controls' data; false keeps the wizard on this page.
  virtual bool UpdateData(bool save);
  // Writes the page's values; run only when the wizard ends with End.
  virtual void OnConfirm() {}

 protected:
  // Builds the template's controls (called once, on the first Create).
  virtual void BuildControls() = 0;
  // Sets the controls from the settings file.
  virtual void OnInitDialog() {}

  // SetPath to the application's settings path and Load: false when the file cannot be read.
  static bool LoadSettingsFile();
  // Section "Card" of the application's settings file.
  static int GetCardInt(const char* key);
  static void SetCardInt(const char* key, int value, bool create);
  static void SaveSettingsFile();

  // Template helpers: controls placed at dialog-unit rectangles.
  QGroupBox* AddGroupBox(const QString& title, int x, int y, int w, int h);
  QLabel* AddText(const QString& text, int x, int y, int w, int h,
                  Qt::Alignment align = Qt::AlignLeft);
  void Place(QWidget* control, int x, int y, int w, int h);

 private:
  int m_nTemplateId;
  bool m_bBuilt = false;
  bool m_bCreated = false;
};
