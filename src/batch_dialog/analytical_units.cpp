#include "analytical_units.h"

namespace quorvia::batch_dialog {

namespace {

// A filter list's first entry is "All", which means "no filter" and so is never a batch item.
QStringList WithoutAllEntry(const QStringList& filterList) { return filterList.mid(1); }

QStringList LowerCased(const QStringList& entries) {
  QStringList lowered;
  lowered.reserve(entries.size());
  for (const QString& entry : entries) lowered.append(entry.toLower());
  return lowered;
}

}  // namespace

QStringList AnalyticalUnits() {
  return {kUnitCountry, kUnitNuts, kUnitElevation, kUnitLandCover, kUnitShoreline, kUnitWatershed};
}

QStringList ItemsForUnit(const QString& unit, const MainWindowLists& lists) {
  if (unit == kUnitCountry) return LowerCased(lists.Combo1);
  if (unit == kUnitNuts) return WithoutAllEntry(lists.Combo2);
  if (unit == kUnitElevation) return WithoutAllEntry(lists.Combo3);
  if (unit == kUnitLandCover) return WithoutAllEntry(lists.Combo6);
  if (unit == kUnitShoreline) return WithoutAllEntry(lists.Combo5);
  if (unit == kUnitWatershed) return WithoutAllEntry(lists.Combo4);
  return {};
}

}  // namespace quorvia::batch_dialog
