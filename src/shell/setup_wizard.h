#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class CSetupPage;
class GradientCaption;
class QFrame;
class QLabel;
class QPushButton;

// The modal wizard that shows setup pages one at a time (template 102): a picture at the left,
// the step caption over the page area, and Prev / Next-End / Cancel below. Pages are added
// before it runs; it creates their windows when it opens and runs their confirm hooks only when
// the user presses End on the last page.
class CSetupWizard : public QDialog {
 public:
  explicit CSetupWizard(QWidget* parent = nullptr);
  ~CSetupWizard() override;

  // Appends a step; the page is not owned. Only the template id's low 16 bits are used.
  void AddPage(const QString& stepTitle, CSetupPage* page, unsigned templateId);
  // The window caption ("Wizard" unless set).
  void SetTitle(const QString& title) { m_title = title; }

  // Creates the page windows, shows the first page and sets the caption and button texts. Runs
  // once per opening; showing the dialog calls it.
  void InitDialog();
  // Leaves the current page (which may refuse) and shows the page at index. False when the
  // current page refused or there is no page at index.
  bool SetActivePage(int index);

  // The three buttons' handlers (Enter presses Next, Escape and the close box Cancel).
  void OnNext();
  void OnPrev();
  void OnCancel();

  int GetActiveIndex() const { return m_nCurrent; }
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  QPushButton* PrevButton() const { return m_pPrev; }
  QPushButton* NextButton() const { return m_pNext; }
  QPushButton* CancelButton() const { return m_pCancel; }
  GradientCaption* StepCaption() const { return m_pCaption; }
  QRect PageRect() const;

  // Called after each page's confirm hook at End, with the page's index (for observers that
  // follow the file being written page by page).
  void SetConfirmObserver(std::function<void(int)> observer) { m_confirmObserver = observer; }

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void DestroyPages();

  std::vector<CSetupPage*> m_pages;
  std::vector<QString> m_titles;
  std::vector<unsigned> m_templateIds;
  int m_nCurrent = -1;
  QString m_title = QStringLiteral("Wizard");
  bool m_bInitialised = false;
  std::function<void(int)> m_confirmObserver;

  QPushButton* m_pPrev = nullptr;
  QPushButton* m_pNext = nullptr;
  QPushButton* m_pCancel = nullptr;
  QFrame* m_pLine = nullptr;
  QLabel* m_pPicture = nullptr;
  GradientCaption* m_pCaption = nullptr;
  QFrame* m_pPlaceholder = nullptr;
};
