// Times the report refresh against a real headless office on demo data: a refresh run and a copy run,
// each with a warm office (workbook already open), with the office parked (no running instance, as every
// update from the window meets it) and with a cold one (no office at all). Prints medians.
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "db/sqlite_connection.h"
#include "db/sqlite_statement.h"
#include "demo_database.h"
#include "report_template.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/refresh_workbook.h"

namespace {

namespace fs = std::filesystem;
using quorvia::workbook::CoverPageSource;
using quorvia::workbook::RefreshOutcome;
using quorvia::workbook::office::LibreOfficeSystem;
using quorvia::workbook::office::OfficeOptions;

constexpr int kRepetitions = 7;
constexpr int kColdRepetitions = 5;

class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "quorvia-bench-workbook-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
  }
  ~BenchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

void Require(const RefreshOutcome& outcome, const char* what) {
  if (!outcome.Succeeded())
    throw std::runtime_error(std::string(what) + " failed: " + outcome.FirstFailure());
}

// The rows of FILTERED, read as an update reads them before it hands them to the refresh: the time of the
// read belongs to the refresh run.
quorvia::workbook::QueryTable FilteredRows(const fs::path& folder) {
  quorvia::db::SqliteConnection connection((folder / "MOSA_DB.mdb").string(), SQLITE_OPEN_READONLY);
  quorvia::db::SqliteStatement statement(connection.Handle(), "SELECT * FROM FILTERED");
  quorvia::workbook::QueryTable table;
  for (int c = 0; c < statement.ColumnCount(); ++c) table.columns.push_back(statement.ColumnName(c));
  while (statement.Step()) {
    auto& row = table.rows.emplace_back();
    for (int c = 0; c < statement.ColumnCount(); ++c) {
      row.push_back(quorvia::workbook::SheetValue(statement.Column(c)));
    }
  }
  return table;
}

RefreshOutcome RefreshRun(LibreOfficeSystem& office, const fs::path& folder) {
  using quorvia::workbook::CoverPage;
  const auto rows = FilteredRows(folder);
  return quorvia::workbook::RefreshWorkbook(office, folder.string(), "",
                                            quorvia::workbook::RefreshMode::refresh,
                                            CoverPage{{{"B13", "AT Oesterreich"},
                                                       {"B15", "All"},
                                                       {"B16", "All"},
                                                       {"B17", "All"},
                                                       {"B18", "All"},
                                                       {"B19", "All"}},
                                                      CoverPageSource{"--> FINAL Data", "change1"}},
                                            &rows);
}

RefreshOutcome CopyRun(LibreOfficeSystem& office, const fs::path& folder) {
  return quorvia::workbook::RefreshWorkbook(office, folder.string(), "bench_copy",
                                            quorvia::workbook::RefreshMode::copy, {});
}

void Print(const char* what, double seconds, double target) {
  std::printf("%-34s %8.3f s (median of runs)%s\n", what, seconds,
              target > 0 ? (seconds <= target ? "   within target" : "   OVER target") : "");
}

}  // namespace

using quorvia::bench::MedianSeconds;
using quorvia::db::ExecuteSql;

int main() {
  try {
    const BenchFolder folder;
    const fs::path program = folder.Path() / "program";
    fs::create_directories(program);
    quorvia::tools::WriteDemoDatabase((program / "MOSA_DB.mdb").string(), quorvia::tools::DemoOptions{});
    ExecuteSql(
        program / "MOSA_DB.mdb",
        "DROP VIEW IF EXISTS FILTERED; CREATE VIEW FILTERED AS SELECT change1 as CHANGE, sum(AREAHA) as AREA "
        "FROM DATA_AT group by change1;");

    const OfficeOptions options = OfficeOptions::Private("quorvia_bench_" + std::to_string(getpid()),
                                                         (folder.Path() / "office").string());

    double warmRefresh = 0, warmCopy = 0, parkedRefresh = 0, parkedCopy = 0;
    {
      LibreOfficeSystem office(options);
      quorvia::tools::BuildReportTemplate(office, (program / "MOSA_QUERY.xls").string());
      auto user = office.ConnectToRunningOffice();
      user->OpenWorkbook((program / "MOSA_QUERY.xls").string(), 3);
      Require(RefreshRun(office, program), "warm-up refresh");
      warmRefresh = MedianSeconds(
          kRepetitions, [] {}, [&] { Require(RefreshRun(office, program), "refresh"); });
      warmCopy = MedianSeconds(
          kRepetitions, [] {}, [&] { Require(CopyRun(office, program), "copy"); });
      user->Close("MOSA_QUERY.xls");
      user->Quit();  // parked
      parkedRefresh = MedianSeconds(
          kRepetitions, [] {}, [&] { Require(RefreshRun(office, program), "parked refresh"); });
      parkedCopy = MedianSeconds(
          kRepetitions, [] {}, [&] { Require(CopyRun(office, program), "parked copy"); });
    }  // the office ends here: the cold runs start their own

    double coldRefresh = MedianSeconds(
        kColdRepetitions, [] {},
        [&] {
          LibreOfficeSystem office(options);
          Require(RefreshRun(office, program), "cold refresh");
        });
    std::unique_ptr<LibreOfficeSystem> lastOffice;
    double coldCopy = MedianSeconds(
        kColdRepetitions, [&] { lastOffice = std::make_unique<LibreOfficeSystem>(options); },
        [&] { Require(CopyRun(*lastOffice, program), "cold copy"); });
    lastOffice.reset();

    std::printf(
        "Report refresh against a headless office, demo data (DATA_AT, %d repetitions warm, %d cold)\n",
        kRepetitions, kColdRepetitions);
    Print("refresh run, warm office", warmRefresh, 0.3);
    Print("copy run, warm office", warmCopy, 0);
    Print("refresh run, parked office", parkedRefresh, 0.3);
    Print("copy run, parked office", parkedCopy, 0);
    Print("refresh run, cold (starts office)", coldRefresh, 2.0);
    Print("copy run, cold (starts office)", coldCopy, 0);
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "bench_workbook: " << error.what() << "\n";
    return 1;
  }
}
