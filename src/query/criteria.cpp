#include "criteria.h"

#include "sql_dialect.h"

namespace quorvia::query {

std::string Fragment(const std::string& prefix, const std::string& value) {
  return prefix + db::QuoteValue(value);
}

namespace {

// A fragment for a plain filter box: empty on "All".
std::string FilterFragment(const std::string& prefix, const std::string& text) {
  return text == kAll ? std::string() : Fragment(prefix, text);
}

// A fragment for a levelled box; an unselected level leaves the previous fragment in place.
void LevelFragment(std::string& fragment, const std::string& text, const std::optional<int>& levelIndex,
                   const std::string& columnStart, const std::string& columnEnd) {
  if (text == kAll) {
    fragment.clear();
  } else if (levelIndex) {
    fragment = Fragment(" AND " + columnStart + std::to_string(*levelIndex + 1) + columnEnd + " = ", text);
  }
}

}  // namespace

void BuildCriteria(const Selection& selection, Conditions& conditions) {
  conditions.CountryCondition = Fragment(" N0CD = ", FirstCharacters(selection.Combo1, 2));
  LevelFragment(conditions.NutsCondition, selection.Combo2, selection.nutsLevelIndex, "N", "");
  conditions.WatershedCondition = FilterFragment(" AND WSCODE = ", selection.Combo4);
  LevelFragment(conditions.ElevationCondition, selection.Combo3, selection.elevationLevelIndex, "EBKL", "DS");
  conditions.ShorelineCondition = FilterFragment(" AND CSTDS = ", selection.Combo5);
  conditions.LandCoverCondition = FilterFragment(" AND DLT = ", selection.Combo6);
  conditions.ChangeField = "change2";
  if (selection.option3FirstSelected) conditions.ChangeField = "change1";
}

std::string JoinedFragments(const Conditions& conditions) {
  return conditions.CountryCondition + conditions.NutsCondition + conditions.WatershedCondition +
         conditions.LandCoverCondition + conditions.ElevationCondition + conditions.ShorelineCondition;
}

}  // namespace quorvia::query
