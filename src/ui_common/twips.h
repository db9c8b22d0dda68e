#pragma once

#include <QRect>

namespace quorvia::ui {

// Both windows were drawn in twips; at 96 dots per inch a pixel is 15 twips. A measure between two whole
// pixels goes to the nearer one.
inline constexpr int kTwipsPerPixel = 15;

constexpr int PixelsFromTwips(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

inline QRect RectFromTwips(int left, int top, int width, int height) {
  return QRect(PixelsFromTwips(left), PixelsFromTwips(top), PixelsFromTwips(width), PixelsFromTwips(height));
}

}  // namespace quorvia::ui
