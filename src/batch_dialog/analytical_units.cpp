#include "batch_dialog/analytical_units.h"

#include "query/filters.h"
#include "query/selection.h"

namespace quorvia::batch_dialog {

namespace {

// A filter list's first entry is "All", which means "no filter" and so is never a batch item.
QStringList WithoutAllEntry(const QStringList& filterList) {
  const bool leadingAll = !filterList.isEmpty() && filterList.front() == QString::fromUtf8(query::kAll);
  return leadingAll ? filterList.mid(1) : filterList;
}

QStringList LowerCased(const QStringList& entries) {
  QStringList lowered;
  lowered.reserve(entries.size());
  for (const QString& entry : entries) lowered.append(entry.toLower());
  return lowered;
}

}  // namespace

QStringList AnalyticalUnits() {
  QStringList units;
  for (const query::Filter* filter : query::InUnitOrder()) units.append(QString::fromUtf8(filter->unitName));
  return units;
}

QStringList ItemsForUnit(const QString& unit, const MainWindowLists& lists) {
  const query::Filter* filter = query::FilterOfUnit(unit.toStdString());
  if (filter == nullptr) return {};
  const QStringList& entries = lists[filter->id];
  return filter->kind == query::FilterKind::country ? LowerCased(entries) : WithoutAllEntry(entries);
}

}  // namespace quorvia::batch_dialog
