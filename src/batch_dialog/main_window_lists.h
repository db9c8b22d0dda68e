#pragma once

#include <QStringList>
#include <array>

#include "query/filters.h"

namespace quorvia::batch_dialog {

// The main window's lists, one per filter, entries in list order, as the dialog copies them when it fills
// the item page. The filter lists start with "All"; the country list has no such entry.
struct MainWindowLists {
  std::array<QStringList, query::kFilterCount> entries;  // by the filter's id

  QStringList& operator[](query::FilterId id) { return entries[query::IndexOf(id)]; }
  const QStringList& operator[](query::FilterId id) const { return entries[query::IndexOf(id)]; }
};

}  // namespace quorvia::batch_dialog
