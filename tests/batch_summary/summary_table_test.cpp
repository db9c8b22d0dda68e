#include <gtest/gtest.h>

#include "batch_summary/summary_files.h"
#include "batch_summary/summary_table.h"

namespace quorvia::batch_summary {
namespace {

using workbook::QueryTable;
using workbook::QueryValue;

QueryTable ChangeRows(std::vector<std::pair<QueryValue, QueryValue>> rows) {
  QueryTable table{{"CHANGE", "AREA"}, {}};
  for (auto& [change, area] : rows) table.rows.push_back({change, area});
  return table;
}

query::BatchRequest Request(std::vector<std::string> items, std::vector<bool> selected) {
  query::BatchRequest request;
  request.unit = "Nuts";
  request.items = std::move(items);
  request.selected = std::move(selected);
  request.prefix = "P";
  return request;
}

TEST(SummaryTable, RowsFollowTheBatchWithEachItemsOwnFiguresAndWhyOthersHaveNone) {
  // Items: A done, B not selected, C failed before its copy, the second A (a repeated name) done, D done but
  // its cover page failed, E not run.
  const auto request = Request({"A", "B", "C", "A", "D", "E"}, {true, false, true, true, true, true});
  query::BatchOutcome outcome;
  outcome.processed = 4;
  outcome.failed = 2;
  outcome.failedItems = {"C", "D"};
  outcome.failures = {"C: the report was not saved; no copy written", "D: cover page not written: B13"};
  outcome.notRun = {"E"};
  outcome.copies = {"P_A", "P_a (2)", "P_D"};
  outcome.copyFigures = {
      {"A", "P_A", ChangeRows({{"211-112", 10.5}, {"311-312", 2.0}})},
      {"A", "P_a (2)", ChangeRows({{"311-312", 1.25}, {QueryValue{}, 3.0}, {7.0, 0.5}})},
      {"D", "P_D", ChangeRows({{"211-112", 0.75}, {"Say \"hi\"", QueryValue{}}})},
  };
  const SummaryTable table = BuildSummaryTable(request, outcome);

  // Numbers first, then texts, then the empty change type, as the pivot table lists them.
  EXPECT_EQ(table.changeTypes,
            (std::vector<std::string>{"7", "211-112", "311-312", "Say \"hi\"", "(empty)"}));
  ASSERT_EQ(table.rows.size(), 5u);
  EXPECT_TRUE(table.partial);
  EXPECT_DOUBLE_EQ(table.batchTotal, 12.5 + 4.75 + 0.75);

  const auto& first = table.rows[0];
  EXPECT_EQ(first.copy, "P_A.xls");
  EXPECT_EQ(first.records, 2);
  EXPECT_EQ(first.byChange, (std::vector<double>{0, 10.5, 2.0, 0, 0}));
  EXPECT_EQ(table.rows[1].state, ItemState::failed);
  EXPECT_FALSE(table.rows[1].hasFigures);
  EXPECT_EQ(table.rows[1].reason, "the report was not saved; no copy written");
  const auto& second = table.rows[2];
  EXPECT_EQ(second.item, "A");
  EXPECT_EQ(second.copy, "P_a (2).xls");
  EXPECT_EQ(second.records, 3);  // as the label counts: the change query's rows
  EXPECT_EQ(second.byChange, (std::vector<double>{0.5, 0, 1.25, 0, 3.0}));
  EXPECT_EQ(table.rows[3].state, ItemState::failed);  // its copy has the figures, its cover failed
  EXPECT_TRUE(table.rows[3].hasFigures);
  EXPECT_EQ(table.rows[3].records, 2);
  EXPECT_EQ(table.rows[4].state, ItemState::notRun);
  EXPECT_EQ(table.rows[4].reason, "the batch was stopped before this item");

  double shares = 0;
  for (const auto& row : table.rows) shares += row.share;
  EXPECT_DOUBLE_EQ(shares, 1.0);
}

TEST(SummaryTable, CsvQuotesWhatItMustAndLeavesFiguresOfItemsWithoutACopyEmpty) {
  const auto request = Request({"North, \"upper\"", "Line\nbreak"}, {true, true});
  query::BatchOutcome outcome;
  outcome.processed = 1;
  outcome.copies = {"P_North"};
  outcome.copyFigures = {{"North, \"upper\"", "P_North", ChangeRows({{"1,2", 1234.5}, {"3", 0.125}})}};
  outcome.notRun = {"Line\nbreak"};
  EXPECT_EQ(SummaryCsv(BuildSummaryTable(request, outcome)),
            "Item,Copy,Records,Total area (ha),\"1,2\",3,Share of batch total (%),State,Reason\r\n"
            "\"North, \"\"upper\"\"\",P_North.xls,2,1234.63,1234.50,0.13,100,done,\r\n"
            "\"Line\nbreak\",,,,,,,not run,the batch was stopped before this item\r\n");
}

TEST(SummaryLabel, TheSummaryIsNamedOnTheLineAfterTheFirst) {
  BatchFiles files;
  files.workbook = "/f/P summary.xls";
  files.csv = "/f/P summary.csv";
  EXPECT_EQ(LabelWithSummary("Tasks finished", files),
            "Tasks finished\r\nSummary: P summary.xls, P summary.csv");
  files.partial = true;
  files.problems = {"P summary.pdf not written: no office"};
  EXPECT_EQ(LabelWithSummary("Stopped: 1 of 2 items done\r\nFirst failure: x", files),
            "Stopped: 1 of 2 items done\r\nPartial summary: P summary.xls, P summary.csv; P summary.pdf not "
            "written: no office\r\nFirst failure: x");
}

}  // namespace
}  // namespace quorvia::batch_summary
