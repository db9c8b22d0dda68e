#include <gtest/gtest.h>

#include "query/change_queries.h"
#include "query/criteria.h"
#include "selections.h"

namespace quorvia::query {
namespace {

TEST(BuildCriteria, AllFiltersOnAllGiveOnlyTheCountryFragment) {
  Conditions conditions;
  BuildCriteria(AllOn("DE Deutschland"), conditions);
  EXPECT_EQ(conditions.CountryCondition, " N0CD = \"DE\"");
  EXPECT_EQ(JoinedFragments(conditions), " N0CD = \"DE\"");
  EXPECT_EQ(conditions.ChangeField, "change1");
}

TEST(BuildCriteria, LevelDigitsComeFromTheSelectedButtons) {
  Selection selection = AllOn("AT Oesterreich");
  selection.Combo2 = "AT111";
  selection.nutsLevelIndex = 2;
  selection.Combo3 = "Hills";
  selection.elevationLevelIndex = 1;
  selection.option3FirstSelected = false;
  Conditions conditions;
  BuildCriteria(selection, conditions);
  EXPECT_EQ(conditions.NutsCondition, " AND N3 = \"AT111\"");
  EXPECT_EQ(conditions.ElevationCondition, " AND EBKL2DS = \"Hills\"");
  EXPECT_EQ(conditions.ChangeField, "change2");
}

TEST(BuildCriteria, ValuesAreInsertedAsDisplayed) {
  Selection selection = AllOn("at oesterreich");
  selection.Combo4 = "all";          // not the sentinel
  selection.Combo5 = "Near coast ";  // trailing blank kept
  selection.Combo6 = "";             // an empty text is a value too
  Conditions conditions;
  BuildCriteria(selection, conditions);
  EXPECT_EQ(conditions.CountryCondition, " N0CD = \"at\"");
  EXPECT_EQ(conditions.WatershedCondition, " AND WSCODE = \"all\"");
  EXPECT_EQ(conditions.ShorelineCondition, " AND CSTDS = \"Near coast \"");
  EXPECT_EQ(conditions.LandCoverCondition, " AND DLT = \"\"");
}

TEST(BuildCriteria, DoubleQuoteInAValueIsEscapedNotBreakingTheQuery) {
  Selection selection = AllOn("AT Oesterreich");
  selection.Combo6 = "Say \"hi\"";
  Conditions conditions;
  BuildCriteria(selection, conditions);
  EXPECT_EQ(conditions.LandCoverCondition, " AND DLT = \"Say \"\"hi\"\"\"");
}

TEST(BuildCriteria, WithoutASelectedLevelTheFragmentKeepsItsValue) {
  Conditions conditions;
  conditions.NutsCondition = " AND N2 = \"AT12\"";
  Selection selection = AllOn("AT Oesterreich");
  selection.Combo2 = "AT13";
  selection.nutsLevelIndex.reset();
  BuildCriteria(selection, conditions);
  EXPECT_EQ(conditions.NutsCondition, " AND N2 = \"AT12\"");
}

TEST(BuildCriteria, ShortCountryTextsAndMultibyteCharactersStayWhole) {
  Conditions conditions;
  BuildCriteria(AllOn("A"), conditions);
  EXPECT_EQ(conditions.CountryCondition, " N0CD = \"A\"");
  EXPECT_EQ(FirstCharacters("\u00c9t\u00e9", 2), "\u00c9t");
  EXPECT_EQ(FirstCharacters("", 2), "");
}

TEST(ChangeQueries, TextsForAllFiltersOnAll) {
  Conditions conditions;
  BuildCriteria(AllOn("AT Oesterreich"), conditions);
  EXPECT_EQ(
      ChangeQuery("AT", conditions.ChangeField, conditions),
      "SELECT change1 as CHANGE, sum(AREAHA) as AREA from DATA_AT where  N0CD = \"AT\" group by change1");
  EXPECT_EQ(AreaQuery("AT", conditions), "SELECT sum(AREAHA) as area from DATA_AT where  N0CD = \"AT\"");
}

TEST(ChangeQueries, LandCoverStandsBetweenWatershedAndElevation) {
  Selection selection = AllOn("AT Oesterreich");
  selection.Combo2 = "AT1";
  selection.Combo3 = "Hills";
  selection.Combo4 = "W1";
  selection.Combo5 = "> 50 Km from shoreline";
  selection.Combo6 = "Forests";
  Conditions conditions;
  BuildCriteria(selection, conditions);
  EXPECT_EQ(
      AreaQuery("AT", conditions),
      "SELECT sum(AREAHA) as area from DATA_AT where  N0CD = \"AT\" AND N1 = \"AT1\" AND WSCODE = \"W1\""
      " AND DLT = \"Forests\" AND EBKL1DS = \"Hills\" AND CSTDS = \"> 50 Km from shoreline\"");
}

}  // namespace
}  // namespace quorvia::query
