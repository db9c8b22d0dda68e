#pragma once

#include <QColor>
#include <QLabel>
#include <QPalette>

namespace quorvia::app {

inline void SetTextColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

inline QColor TextColour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

}  // namespace quorvia::app
