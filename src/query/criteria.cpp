#include "query/criteria.h"

#include "db/sql_dialect.h"
#include "vocabulary/data_tables.h"

namespace quorvia::query {

std::string Fragment(const Filter& filter, const std::string& column, const std::string& value) {
  return " " + std::string(filter.conditionWord) + column + " = " + db::QuoteValue(value);
}

std::string CountryCode(const std::string& countryEntry) { return FirstCharacters(countryEntry, 2); }

namespace {

// The fragment of one filter for the selection; a levelled filter without a selected level keeps the
// previous fragment.
void WriteFragment(const Filter& filter, const Selection& selection, std::string& fragment) {
  const std::string& text = selection.*filter.slot;
  switch (filter.kind) {
    case FilterKind::country:
      fragment = Fragment(filter, filter.column, CountryCode(text));
      break;
    case FilterKind::levelled:
      if (text == kAll) {
        fragment.clear();
      } else if (const auto& levelIndex = selection.*filter.levelIndex) {
        fragment = Fragment(filter, LevelColumn(filter, *levelIndex), text);
      }
      break;
    case FilterKind::plain:
      fragment = text == kAll ? std::string() : Fragment(filter, filter.column, text);
      break;
  }
}

}  // namespace

void BuildCriteria(const Selection& selection, Conditions& conditions) {
  for (const Filter& filter : kFilters) WriteFragment(filter, selection, conditions.fragments.*filter.slot);
  conditions.ChangeField =
      selection.byReviewedChange ? vocabulary::kReviewedChangeColumn : vocabulary::kChangesDatabaseColumn;
}

std::string JoinedFragments(const Conditions& conditions) {
  std::string joined;
  for (const Filter* filter : InConditionOrder()) joined += conditions.fragments.*filter->slot;
  return joined;
}

}  // namespace quorvia::query
