#pragma once

#include <QStringList>

namespace quorvia::batch_dialog {

// The main window's lists, entries in list order, as the dialog copies them when it fills the item page.
// The five filter lists start with "All"; the country list has no such entry.
struct MainWindowLists {
  QStringList Combo1;  // country entries ("AT Oesterreich", ...)
  QStringList Combo2;  // NUTS regions of the chosen level, "All" first
  QStringList Combo3;  // elevation breakdown classes, "All" first
  QStringList Combo4;  // watershed codes, "All" first
  QStringList Combo5;  // distance to shoreline classes, "All" first
  QStringList Combo6;  // dominant land cover types, "All" first
};

}  // namespace quorvia::batch_dialog
