#include "query/criteria.h"

#include "db/sql_dialect.h"

namespace quorvia::query {

std::string NutsColumn(int level) { return "N" + std::to_string(level); }

std::string EbkColumn(int level) { return "EBKL" + std::to_string(level) + "DS"; }

std::string Fragment(const std::string& prefix, const std::string& value) {
  return prefix + db::QuoteValue(value);
}

std::string FilterPrefix(const std::string& column) { return " AND " + column + " = "; }

namespace {

// A fragment for a plain filter box: empty on "All".
std::string FilterFragment(const std::string& prefix, const std::string& text) {
  return text == kAll ? std::string() : Fragment(prefix, text);
}

// A fragment for a levelled box; an unselected level leaves the previous fragment in place.
void LevelFragment(std::string& fragment, const std::string& text, const std::optional<int>& levelIndex,
                   std::string (*column)(int)) {
  if (text == kAll) {
    fragment.clear();
  } else if (levelIndex) {
    fragment = Fragment(FilterPrefix(column(*levelIndex + 1)), text);
  }
}

}  // namespace

void BuildCriteria(const Selection& selection, Conditions& conditions) {
  conditions.CountryCondition = Fragment(" N0CD = ", FirstCharacters(selection.Combo1, 2));
  LevelFragment(conditions.NutsCondition, selection.Combo2, selection.nutsLevelIndex, NutsColumn);
  conditions.WatershedCondition = FilterFragment(FilterPrefix(kWatershedColumn), selection.Combo4);
  LevelFragment(conditions.ElevationCondition, selection.Combo3, selection.elevationLevelIndex, EbkColumn);
  conditions.ShorelineCondition = FilterFragment(FilterPrefix(kShorelineColumn), selection.Combo5);
  conditions.LandCoverCondition = FilterFragment(FilterPrefix(kLandCoverColumn), selection.Combo6);
  conditions.ChangeField = "change2";
  if (selection.option3FirstSelected) conditions.ChangeField = "change1";
}

std::string JoinedFragments(const Conditions& conditions) {
  return conditions.CountryCondition + conditions.NutsCondition + conditions.WatershedCondition +
         conditions.LandCoverCondition + conditions.ElevationCondition + conditions.ShorelineCondition;
}

}  // namespace quorvia::query
