#include "batch_dialog/analytical_units.h"

#include "query/selection.h"
#include "query/unit_names.h"

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
  for (const char* unit : query::kAnalyticalUnits) units.append(QString::fromUtf8(unit));
  return units;
}

QStringList ItemsForUnit(const QString& unit, const MainWindowLists& lists) {
  const std::string name = unit.toStdString();
  if (name == query::kUnitCountry) return LowerCased(lists.Combo1);
  if (name == query::kUnitNuts) return WithoutAllEntry(lists.Combo2);
  if (name == query::kUnitElevation) return WithoutAllEntry(lists.Combo3);
  if (name == query::kUnitLandCover) return WithoutAllEntry(lists.Combo6);
  if (name == query::kUnitShoreline) return WithoutAllEntry(lists.Combo5);
  if (name == query::kUnitWatershed) return WithoutAllEntry(lists.Combo4);
  return {};
}

}  // namespace quorvia::batch_dialog
