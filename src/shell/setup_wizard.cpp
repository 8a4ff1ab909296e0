#include "shell/setup_wizard.h"

#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>

#include "controls/gradient_caption.h"
#include "platform/dialog_units.h"
#include "shell/setup_page.h"

namespace {
const QString kPrevText = QStringLiteral("<< Prev(&P)");
const QString kNextText = QStringLiteral("Next(&N) >>");
const QString kEndText = QStringLiteral("End(&E)");
const QString kCancelText = QStringLiteral("Cancle(&C)");
}  // namespace

CSetupWizard::CSetupWizard(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Wizard"));
  setFixedSize(DialogRect(0, 0, 312, 222).size());

  m_pPrev = new QPushButton(QStringLiteral("<< Prev"), this);
  m_pPrev->setObjectName(QStringLiteral("108"));
  m_pPrev->setGeometry(DialogRect(6, 204, 50, 14));
  m_pPrev->setEnabled(false);
  m_pNext = new QPushButton(QStringLiteral("Next >>"), this);
  m_pNext->setObjectName(QStringLiteral("1"));
  m_pNext->setGeometry(DialogRect(104, 204, 50, 14));
  m_pNext->setDefault(true);
  m_pCancel = new QPushButton(QStringLiteral("Exit"), this);
  m_pCancel->setObjectName(QStringLiteral("2"));
  m_pCancel->setGeometry(DialogRect(254, 204, 50, 14));

  m_pLine = new QFrame(this);
  m_pLine->setObjectName(QStringLiteral("149"));
  m_pLine->setFrameShape(QFrame::HLine);
  m_pLine->setFrameShadow(QFrame::Sunken);
  m_pLine->setGeometry(DialogRect(5, 198, 300, 2));

  // A bitmap static sizes itself to its picture (90 x 254) at the template's corner.
  m_pPicture = new QLabel(this);
  m_pPicture->setObjectName(QStringLiteral("110"));
  const QPixmap picture(QStringLiteral(":/bitmap/106.bmp"));
  m_pPicture->setPixmap(picture);
  const QRect pictureRect = DialogRect(5, 6, 60, 185);
  m_pPicture->setGeometry(pictureRect.x(), pictureRect.y(),
                          picture.isNull() ? pictureRect.width() : picture.width(),
                          picture.isNull() ? pictureRect.height() : picture.height());

  m_pCaption = new GradientCaption(this);
  m_pCaption->setObjectName(QStringLiteral("107"));
  m_pCaption->setGeometry(DialogRect(73, 5, 231, 11));

  m_pPlaceholder = new QFrame(this);
  m_pPlaceholder->setObjectName(QStringLiteral("109"));
  m_pPlaceholder->setGeometry(DialogRect(74, 26, 230, 160));
  m_pPlaceholder->hide();

  connect(m_pNext, &QPushButton::clicked, this, [this] { OnNext(); });
  connect(m_pPrev, &QPushButton::clicked, this, [this] { OnPrev(); });
  connect(m_pCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

CSetupWizard::~CSetupWizard() {
  // The pages belong to whoever built the wizard; never let the dialog delete them.
  DestroyPages();
}

void CSetupWizard::AddPage(const QString& stepTitle, CSetupPage* page, unsigned templateId) {
  m_pages.push_back(page);
  m_titles.push_back(stepTitle);
  m_templateIds.push_back(templateId);
}

QRect CSetupWizard::PageRect() const { return m_pPlaceholder->geometry(); }

void CSetupWizard::InitDialog() {
  if (m_bInitialised) return;
  m_bInitialised = true;
  if (QFile::exists(QStringLiteral(":/icon/100.png"))) {
    setWindowIcon(QIcon(QStringLiteral(":/icon/100.png")));
  }
  if (!m_pages.empty()) {
    const QRect rect = PageRect();
    for (size_t i = 0; i < m_pages.size(); ++i) {
      m_pages[i]->Create(static_cast<int>(m_templateIds[i] & 0xFFFF), this);
      m_pages[i]->setGeometry(rect);
    }
    SetActivePage(0);
  }
  setWindowTitle(m_title);
  m_pPrev->setText(kPrevText);
  m_pPrev->setEnabled(false);
  m_pNext->setText(m_pages.size() >= 2 ? kNextText : kEndText);
  m_pCancel->setText(kCancelText);
}

bool CSetupWizard::SetActivePage(int index) {
  if (m_nCurrent >= 0 && m_nCurrent < GetPageCount()) {
    CSetupPage* current = m_pages[m_nCurrent];
    if (!current->UpdateData(true)) return false;
    current->hide();
  }
  m_nCurrent = index;
  if (index < 0 || index >= GetPageCount()) return false;
  m_pages[index]->show();
  m_pCaption->setText(m_titles[index]);
  m_pCaption->repaint();
  return true;
}

void CSetupWizard::OnNext() {
  const int count = GetPageCount();
  if (m_nCurrent < count - 1) {
    SetActivePage(m_nCurrent + 1);
    if (m_nCurrent == count - 1) m_pNext->setText(kEndText);
    m_pPrev->setEnabled(true);
    return;
  }
  for (int i = 0; i < count; ++i) {
    m_pages[i]->UpdateData(true);
    m_pages[i]->OnConfirm();
    if (m_confirmObserver) m_confirmObserver(i);
  }
  DestroyPages();
  accept();
}

void CSetupWizard::OnPrev() {
  if (m_nCurrent > 0) {
    if (m_nCurrent == GetPageCount() - 1) m_pNext->setText(kNextText);
    SetActivePage(m_nCurrent - 1);
  }
  if (m_nCurrent <= 0) m_pPrev->setEnabled(false);
}

void CSetupWizard::OnCancel() {
  DestroyPages();
  QDialog::reject();
}

void CSetupWizard::reject() { OnCancel(); }

void CSetupWizard::showEvent(QShowEvent* event) {
  InitDialog();
  QDialog::showEvent(event);
}

void CSetupWizard::DestroyPages() {
  for (CSetupPage* page : m_pages) {
    if (page != nullptr && page->parentWidget() == this) page->DestroyWindow();
  }
  m_nCurrent = -1;
  m_bInitialised = false;
}
