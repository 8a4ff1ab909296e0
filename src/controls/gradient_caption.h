#pragma once

#include <QColor>
#include <QFont>
#include <QPushButton>
#include <QString>

class QImage;

// How a caption text is shown: a tab after at least one character splits it into a bold part at
// the left and a normal part (everything after the first tab) right-aligned.
struct CaptionParts {
  QString left;
  QString right;
  bool split = false;
};
CaptionParts SplitCaption(const QString& text);

// The title strip of the setup wizard: a teal-to-purple gradient with the window text in white
// on top, split at the first tab (see SplitCaption). An empty text shows a plain button face.
class GradientCaption : public QPushButton {
 public:
  explicit GradientCaption(QWidget* parent = nullptr);
  ~GradientCaption() override;

  // Paints the caption into image (sized like the widget); the widget blits this.
  void Render(QImage& image) const;

  static QColor StartColor() { return QColor(0, 128, 128); }
  static QColor EndColor() { return QColor(128, 0, 128); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor m_startColor = StartColor();
  QColor m_endColor = EndColor();
  QColor m_textColor = Qt::white;
  QFont m_boldFont;
  QFont m_normalFont;
};
