// Times a batch of 20 NUTS items (or as many as the first argument says) as the window runs it (no office
// running at entry, the office started at start-up parked) and prints seconds per item and the parked
// office's memory; then what the batch summary adds: its rows and CSV alone, and with its workbook written
// by the same office (target for 100 items: at most 1 s).
// Prints figures; never part of the test run.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "batch_summary/summary_files.h"
#include "batch_summary/summary_table.h"
#include "bench_support.h"
#include "db/database.h"
#include "db/db_engine.h"
#include "demo_database.h"
#include "query/batch_run.h"
#include "query/query_session.h"
#include "selections.h"
#include "workbook_refresher.h"

namespace {

namespace query = quorvia::query;

// The first `count` distinct NUTS regions of a level, repeated if the country has fewer.
std::vector<std::string> NutsItems(quorvia::db::Database& database, const std::string& column,
                                   std::size_t count) {
  const auto rows =
      database.OpenRecordset("SELECT DISTINCT " + column + " FROM UNITS_FR WHERE " + column + " <> \"\"");
  std::vector<std::string> distinct;
  for (; !rows->Eof(); rows->MoveNext()) distinct.push_back(rows->Value(column).ToString());
  if (distinct.empty()) throw std::runtime_error("no NUTS regions in the demo data");
  std::vector<std::string> items;
  for (std::size_t i = 0; i < count; ++i) items.push_back(distinct[i % distinct.size()]);
  return items;
}

}  // namespace

int main(int argc, char** argv) {
  const int itemCount = argc > 1 ? std::atoi(argv[1]) : 20;
  const std::string folder = (std::filesystem::temp_directory_path() / "quorvia-bench-batch").string();
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  quorvia::tools::WriteDemoDatabase(folder + "/MOSA_DB.mdb");
  quorvia::bench::OfficeRefresher refresher(folder);
  query::QuerySession session(quorvia::db::DBEngine::Instance().OpenDatabase(folder + "/MOSA_DB.mdb"),
                              refresher.System(), folder);
  const query::Filter& nuts = query::FilterOf(query::FilterId::nutsRegion);
  session.FilterList(nuts, "FR", 2);  // NUTS level L3

  query::Selection selection = query::AllOn("FR France");
  selection.nutsLevelIndex = 2;

  const auto items =
      NutsItems(session.WorkDb(), session.ChosenColumn(nuts), static_cast<std::size_t>(itemCount));
  const query::BatchRequest request{std::to_string(items.size()),          nuts.unitName, items,
                                    std::vector<bool>(items.size(), true), "Bench",       selection};
  query::BatchOutcome outcome;
  const double seconds = quorvia::bench::MedianSeconds(1, [&] { outcome = query::Batch(session, request); });
  std::printf(
      "batch of %zu NUTS items, parked office: %.2f s in all, %.3f s per item (target: at most 0.2 s)\n",
      items.size(), seconds, seconds / static_cast<double>(items.size()));
  std::printf("resident memory of the parked office: %.0f MB\n", refresher.ParkedOfficeMegabytes());
  std::printf("copies written: %zu, failed items: %d%s\n", outcome.copies.size(), outcome.failed,
              outcome.failed ? (" (first: " + outcome.failures.front() + ")").c_str() : "");

  namespace summary = quorvia::batch_summary;
  std::size_t csvBytes = 0;
  const double rows = quorvia::bench::MedianSeconds(
      5, [&] { csvBytes = summary::SummaryCsv(summary::BuildSummaryTable(request, outcome)).size(); });
  std::optional<summary::BatchFiles> files;
  const double whole = quorvia::bench::MedianSeconds(
      3, [&] { files = summary::WriteBatchFiles(refresher.System(), folder, request, outcome, {}); });
  std::printf(
      "summary of %zu items: rows and CSV (%zu bytes) %.4f s; with the workbook written by the office "
      "%.2f s (target: at most 1 s for 100 items)\n",
      items.size(), csvBytes, rows, whole);
  if (!files || !files->problems.empty()) {
    std::printf("summary not written: %s\n", files ? files->problems.front().c_str() : "no copy");
    return 1;
  }
  return outcome.failed == 0 ? 0 : 1;
}
