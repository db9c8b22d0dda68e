#pragma once

#include <QFont>
#include <QLabel>
#include <QRect>
#include <QString>

namespace quorvia::app {

// How a status text is drawn in a rectangle, word-wrapped.
struct StatusDisplay {
  QString text;
  QFont font;
};

// The text itself in `font` when it fits `area`. Otherwise each long file path is shortened in the middle of
// its folder part, just enough for everything to fit (down to "…/name"), so that the file name and the
// words after it stay in sight; when even that is too long, the font shrinks by quarter points as far as
// it takes, but not below 7 points. A CR LF pair is one line break.
StatusDisplay FitStatusText(const QString& text, const QFont& font, const QRect& area);

// A status label for the outcome of a run. It wraps its text within its own rectangle and draws the text
// that FitStatusText makes of it; text() and the tooltip always hold the whole text.
class StatusLabel final : public QLabel {
 public:
  explicit StatusLabel(QWidget* parent);

  StatusDisplay Display() const;  // what the label draws, and in which font

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect TextArea() const;
};

}  // namespace quorvia::app
