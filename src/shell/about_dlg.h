#pragma once

#include <QDialog>

class HyperlinkLabel;
class QPushButton;

constexpr int IDD_ABOUTBOX = 114;

// The support mail address and the site shown in the About box.
extern const char kSupportMailAddress[];
QString AboutSiteAddress();

// The modal About box: picture, version text, the support and site links, "OK" and "Exit"
// (both close it).
class CAboutDlg : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  HyperlinkLabel* MailLink() const { return m_pMail; }
  HyperlinkLabel* SiteLink() const { return m_pSite; }
  QPushButton* OkButton() const { return m_pOk; }
  QPushButton* ExitButton() const { return m_pExit; }

 private:
  HyperlinkLabel* m_pMail;
  HyperlinkLabel* m_pSite;
  QPushButton* m_pOk;
  QPushButton* m_pExit;
};
