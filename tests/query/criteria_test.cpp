#include <gtest/gtest.h>

#include "query/change_queries.h"
#include "query/criteria.h"
#include "selections.h"

namespace quorvia::query {
namespace {

TEST(BuildCriteria, AllFiltersOnAllGiveOnlyTheCountryFragment) {
  Conditions conditions;
  BuildCriteria(AllOn("DE Deutschland"), conditions);
  EXPECT_EQ(conditions.fragments.country, " N0CD = \"DE\"");
  EXPECT_EQ(JoinedFragments(conditions), " N0CD = \"DE\"");
  EXPECT_EQ(conditions.ChangeField, "change1");
}

TEST(BuildCriteria, LevelDigitsComeFromTheSelectedButtons) {
  Selection selection = AllOn("AT Oesterreich");
  selection.nutsRegion = "AT111";
  selection.nutsLevelIndex = 2;
  selection.elevation = "Hills";
  selection.elevationLevelIndex = 1;
  selection.byReviewedChange = false;
  Conditions conditions;
  BuildCriteria(selection, conditions);
  EXPECT_EQ(conditions.fragments.nutsRegion, " AND N3 = \"AT111\"");
  EXPECT_EQ(conditions.fragments.elevation, " AND EBKL2DS = \"Hills\"");
  EXPECT_EQ(conditions.ChangeField, "change2");
}

TEST(BuildCriteria, ValuesAreInsertedAsDisplayed) {
  Selection selection = AllOn("at oesterreich");
  selection.watershed = "all";          // not the sentinel
  selection.shoreline = "Near coast ";  // trailing blank kept
  selection.landCover = "";             // an empty text is a value too
  Conditions conditions;
  BuildCriteria(selection, conditions);
  EXPECT_EQ(conditions.fragments.country, " N0CD = \"at\"");
  EXPECT_EQ(conditions.fragments.watershed, " AND WSCODE = \"all\"");
  EXPECT_EQ(conditions.fragments.shoreline, " AND CSTDS = \"Near coast \"");
  EXPECT_EQ(conditions.fragments.landCover, " AND DLT = \"\"");
}

TEST(BuildCriteria, DoubleQuoteInAValueIsEscapedNotBreakingTheQuery) {
  Selection selection = AllOn("AT Oesterreich");
  selection.landCover = "Say \"hi\"";
  Conditions conditions;
  BuildCriteria(selection, conditions);
  EXPECT_EQ(conditions.fragments.landCover, " AND DLT = \"Say \"\"hi\"\"\"");
}

TEST(BuildCriteria, WithoutASelectedLevelTheFragmentKeepsItsValue) {
  Conditions conditions;
  conditions.fragments.nutsRegion = " AND N2 = \"AT12\"";
  Selection selection = AllOn("AT Oesterreich");
  selection.nutsRegion = "AT13";
  selection.nutsLevelIndex.reset();
  BuildCriteria(selection, conditions);
  EXPECT_EQ(conditions.fragments.nutsRegion, " AND N2 = \"AT12\"");
}

TEST(BuildCriteria, ShortCountryTextsAndMultibyteCharactersStayWhole) {
  Conditions conditions;
  BuildCriteria(AllOn("A"), conditions);
  EXPECT_EQ(conditions.fragments.country, " N0CD = \"A\"");
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
  selection.nutsRegion = "AT1";
  selection.elevation = "Hills";
  selection.watershed = "W1";
  selection.shoreline = "> 50 Km from shoreline";
  selection.landCover = "Forests";
  Conditions conditions;
  BuildCriteria(selection, conditions);
  EXPECT_EQ(
      AreaQuery("AT", conditions),
      "SELECT sum(AREAHA) as area from DATA_AT where  N0CD = \"AT\" AND N1 = \"AT1\" AND WSCODE = \"W1\""
      " AND DLT = \"Forests\" AND EBKL1DS = \"Hills\" AND CSTDS = \"> 50 Km from shoreline\"");
}

}  // namespace
}  // namespace quorvia::query
