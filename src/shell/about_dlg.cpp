#include "shell/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "controls/control_view.h"
#include "controls/hyperlink_label.h"
#include "platform/dialog_units.h"
#include "shell/palette_bitmap.h"

// Short enough to sit beside the buttons in the dialog font.
const char kSupportMailAddress[] = "aurivue@example.org";

// There is no public site; the link leads to the installed guide, as the panel's site button does.
QString AboutSiteAddress() { return ProductHomePage(); }

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Aurivue 2.0");
  setModal(true);

  auto* picture = new QLabel(this);
  CPaletteBitmap bitmap;
  if (bitmap.LoadBitmapWithPalette(186)) picture->setPixmap(QPixmap::fromImage(bitmap.Image()));
  picture->setGeometry(DialogRect(8, 8, 44, 40));

  auto* version = new QLabel("Aurivue Version 2.0 ", this);
  version->setGeometry(DialogRect(60, 10, 100, 10));

  m_pMail = new HyperlinkLabel(QString(kSupportMailAddress), this);
  m_pMail->setGeometry(DialogRect(60, 26, 100, 10));
  m_pMail->SetLinkAddress(QString("mailto:") + kSupportMailAddress);

  m_pSite = new HyperlinkLabel("Aurivue on the web", this);
  m_pSite->setGeometry(DialogRect(60, 40, 100, 10));
  m_pSite->SetLinkAddress(AboutSiteAddress());

  m_pOk = new QPushButton("OK", this);
  m_pOk->setGeometry(DialogRect(170, 7, 50, 14));
  m_pOk->setDefault(true);
  connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);

  m_pExit = new QPushButton("Exit", this);
  m_pExit->setGeometry(DialogRect(170, 25, 50, 14));
  connect(m_pExit, &QPushButton::clicked, this, &QDialog::reject);

  setFixedSize(DialogRect(0, 0, 228, 56).size());
}
