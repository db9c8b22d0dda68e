#include "app/status_label.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QToolTip>
#include <array>

namespace quorvia::app {
namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

bool Fits(const QString& text, const QFontMetrics& metrics, const QRect& area) {
  const QRect needed = metrics.boundingRect(area, kTextFlags, text);
  return needed.width() <= area.width() && needed.height() <= area.height();
}

// Shortens the folder part of every path in the text to at most `folderWidth` pixels; the file name (the
// part after the last slash) and anything around the path stay whole.
QString ShortenPaths(const QString& text, const QFontMetrics& metrics, int folderWidth) {
  static const QRegularExpression path(QStringLiteral(R"((/[^\s]*/)([^\s/]+))"));
  QString result;
  qsizetype done = 0;
  for (auto it = path.globalMatch(text); it.hasNext();) {
    const auto match = it.next();
    result += text.mid(done, match.capturedStart() - done);
    const QString folder = match.captured(1);
    if (metrics.horizontalAdvance(folder) <= folderWidth) {
      result += folder;
    } else {
      const QString elided = metrics.elidedText(folder.chopped(1), Qt::ElideMiddle, folderWidth);
      result += (elided.isEmpty() ? QString(QChar(0x2026)) : elided) + QLatin1Char('/');
    }
    result += match.captured(2);
    done = match.capturedEnd();
  }
  return result + text.mid(done);
}

// The text with its paths shortened as little as it takes to fit, or as much as they can be.
QString ShortestNeeded(const QString& text, const QFontMetrics& metrics, const QRect& area) {
  QString shortened = text;
  // From a whole line's width down to nothing: the first width at which everything fits is the least cut.
  for (const int percent : std::array{100, 80, 60, 45, 30, 20, 10, 0}) {
    shortened = ShortenPaths(text, metrics, area.width() * percent / 100);
    if (Fits(shortened, metrics, area)) break;
  }
  return shortened;
}

}  // namespace

StatusDisplay FitStatusText(const QString& text, const QFont& font, const QRect& area) {
  constexpr double kSmallestPoints = 7.0;
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  StatusDisplay display{lines, font};
  if (Fits(lines, QFontMetrics(font), area)) return display;
  display.text = ShortestNeeded(lines, QFontMetrics(font), area);
  while (!Fits(display.text, QFontMetrics(display.font), area) &&
         display.font.pointSizeF() - 0.25 >= kSmallestPoints) {
    display.font.setPointSizeF(display.font.pointSizeF() - 0.25);
    display.text = ShortestNeeded(lines, QFontMetrics(display.font), area);
  }
  return display;
}

StatusLabel::StatusLabel(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWordWrap(true);
}

QRect StatusLabel::TextArea() const {
  const int inset = margin();
  return contentsRect().adjusted(inset, inset, -inset, -inset);
}

StatusDisplay StatusLabel::Display() const { return FitStatusText(text(), font(), TextArea()); }

bool StatusLabel::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
    if (text().isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
    }
    return true;
  }
  return QLabel::event(event);
}

void StatusLabel::paintEvent(QPaintEvent* /*event*/) {
  const StatusDisplay display = Display();
  QPainter painter(this);
  painter.setFont(display.font);
  style()->drawItemText(&painter, TextArea(), kTextFlags, palette(), isEnabled(), display.text,
                        foregroundRole());
}

}  // namespace quorvia::app
