// The update's database work on one country of many change records (10,000,000 by default), in an SQLite
// file and on a PostgreSQL server loaded from that file, in the same run: with and without parallel
// aggregation on the server, with the filter-column index and without, and the plans the server chose;
// then the whole click on the server, the update with the workbook refreshed by a parked office.
// Prints figures; never part of the test run. scripts/bench-server.sh runs it on a private cluster.
#include <libpq-fe.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "bench_support.h"
#include "db/database.h"
#include "db/db_engine.h"
#include "db/pg/pg_backend.h"
#include "db/pg/pg_connection.h"
#include "db/pg/pg_dialect.h"
#include "demo_database.h"
#include "no_office.h"
#include "query/change_queries.h"
#include "query/query_session.h"
#include "selections.h"
#include "server_import/server_loader.h"
#include "server_import/sqlite_row_source.h"
#include "workbook_refresher.h"

namespace {

namespace query = quorvia::query;
namespace pg = quorvia::db::pg;
using quorvia::bench::MedianSeconds;

constexpr const char* kBenchDatabase = "quorvia_bench";

struct Scenario {
  std::string name;
  query::Selection selection;
  std::optional<double> wholeClickTarget;  // seconds, for a country of 10,000,000 records
};

std::vector<Scenario> Scenarios(const std::string& district3) {
  const query::Selection all = query::AllOn("FR France");
  query::Selection region = all;
  region.nutsRegion = "fr1";  // letter case as the user may type it
  region.shoreline = "< 10 Km from shoreline";
  query::Selection district = all;
  district.nutsLevelIndex = 2;
  district.nutsRegion = district3;
  return {{"all filters on All", all, 1.5},
          {"NUTS L1 region + shoreline class", region, 0.6},
          {"one NUTS L3 region (selective)", district, std::nullopt}};
}

// One way of running the server: a name and the settings it adds to the connection.
struct ServerSetting {
  std::string name;
  std::string options;
};

std::string WithOptions(const std::string& conninfo, const std::string& options) {
  return options.empty() ? conninfo : conninfo + " options='" + options + "'";
}

void PrintPlan(const std::string& conninfo, const std::string& programSql) {
  pg::PgConnection server(conninfo);
  const auto plan = server.Execute("EXPLAIN (ANALYZE, COSTS OFF, TIMING OFF) " + pg::ToPostgres(programSql));
  for (int row = 0; row < PQntuples(plan.get()); ++row)
    std::printf("      %s\n", PQgetvalue(plan.get(), row, 0));
}

// The change query with every `COLUMN = "value"` compared in the case-blind ICU collation instead of
// folded: the other way to ignore letter case.
std::string WithCollatedComparisons(const std::string& programSql) {
  static const std::regex comparison(R"re((\w+) = "([^"]*)")re");
  return std::regex_replace(pg::ToPostgres(std::regex_replace(programSql, comparison, "$1 = '$2'")),
                            std::regex("'([^']*)'"),
                            "'$1' COLLATE public." + std::string(pg::kNoCaseCollation));
}

// Both read the whole table, as the importer builds indexes for the folded form only: what differs is the
// cost of each row's comparisons.
void CompareCaseBlindForms(const std::string& conninfo, const std::string& programSql, int reps) {
  pg::PgConnection server(WithOptions(conninfo, "-c enable_indexscan=off -c enable_bitmapscan=off"));
  const std::string folded = pg::ToPostgres(programSql);
  const std::string collated = WithCollatedComparisons(programSql);
  std::printf("    the change query alone, sequential scan, by the way values ignore letter case:\n");
  std::printf("      lower(column COLLATE \"C\") = 'value' (chosen): %7.3f s\n",
              MedianSeconds(reps, [&] { server.Execute(folded); }));
  std::printf("      column = 'value' COLLATE quorvia_nocase:      %7.3f s\n",
              MedianSeconds(reps, [&] { server.Execute(collated); }));
}

void WriteAndLoad(const std::string& file, int records, bool reuseFile, const std::string& server,
                  const std::string& benchServer) {
  quorvia::tools::DemoOptions demo;
  demo.largeCountry = "FR";
  demo.largeRecords = records;
  demo.recordsPerCountry = 1000;
  if (reuseFile) {
    std::printf("Reusing the SQLite file %s as it is\n", file.c_str());
  } else {
    std::printf("SQLite file with %d FR records: written in %.1f s (%s)\n", records,
                MedianSeconds(1, [&] { quorvia::tools::WriteDemoDatabase(file, demo); }), file.c_str());
  }
  {
    pg::PgConnection admin(server);
    admin.Execute(std::string("DROP DATABASE IF EXISTS ") + kBenchDatabase + " WITH (FORCE)");
    admin.Execute(std::string("CREATE DATABASE ") + kBenchDatabase + " TEMPLATE template0 ENCODING 'UTF8'");
  }
  quorvia::server_import::LoadSummary loaded;
  const double loadSeconds = MedianSeconds(1, [&] {
    quorvia::server_import::SqliteRowSource source(file);
    loaded = quorvia::server_import::LoadIntoServer(source, benchServer, {});
  });
  std::printf("PostgreSQL: %lld rows of %d tables loaded with COPY, indexed and analysed in %.1f s\n",
              static_cast<long long>(loaded.rows), loaded.tables, loadSeconds);
}

// A folder whose database is the bench database on the server, with the report template and a parked
// office, as an analyst's folder on a team server.
struct ServerFolder {
  ServerFolder(const std::string& folder, const std::string& benchServer)
      : path(Prepared(folder, benchServer)), office(path) {}
  static std::string Prepared(const std::string& folder, const std::string& benchServer) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/MOSA_DB.pgconn") << benchServer << "\n";
    return folder;
  }
  std::string path;
  quorvia::bench::OfficeRefresher office;
};

void PrintWholeClick(query::QuerySession& session, const Scenario& scenario, int records, int reps,
                     long expectedCount) {
  query::UpdateOutcome outcome;
  const double whole = MedianSeconds(reps, [&] { outcome = session.Update(scenario.selection); });
  std::printf(
      "  PostgreSQL, whole click (workbook refreshed by the parked office): %.3f s median of %d%s%s\n", whole,
      reps, outcome.workbook.Succeeded() ? "" : "  [workbook step FAILED]",
      outcome.recordCount == expectedCount ? "" : "  [DIFFERENT RESULT]");
  if (records >= 10'000'000 && scenario.wholeClickTarget) {
    std::printf("    target at 10,000,000 records: at most %.1f s: %s\n", *scenario.wholeClickTarget,
                whole <= *scenario.wholeClickTarget ? "met" : "NOT met");
  }
}

int Usage() {
  std::cerr << "Usage: bench_server --server CONNINFO [--records N] [--reps N] [--folder DIR] [--reuse | "
               "--reuse-file]\n"
               "  CONNINFO: a role that may create databases; the database "
            << kBenchDatabase
            << " is made anew in it.\n"
               "  --reuse: time the file in DIR and the database an earlier run left, without writing them\n"
               "  --reuse-file: load the server from the file in DIR as it is, without writing the file\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  quorvia::bench::DemoRunOptions run{
      10'000'000, 3, (std::filesystem::temp_directory_path() / "quorvia-bench-server").string()};
  std::string server;
  bool reuse = false;
  bool reuseFile = false;
  for (int i = 1; i < argc; ++i) {
    if (quorvia::bench::TakeDemoRunOption(argc, argv, i, run)) continue;
    if (std::string(argv[i]) == "--server" && i + 1 < argc) {
      server = argv[++i];
    } else if (std::string(argv[i]) == "--reuse") {
      reuse = true;
    } else if (std::string(argv[i]) == "--reuse-file") {
      reuseFile = true;
    } else {
      return Usage();
    }
  }
  const int records = run.records;
  const int reps = run.reps;
  const std::string& folder = run.folder;
  if (server.empty()) return Usage();
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures show as they come, also into a file
  try {
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/MOSA_DB.mdb";
    const std::string benchServer = server + " dbname=" + kBenchDatabase;
    if (reuse) {
      std::printf("Reusing %s and the server database %s as an earlier run left them\n", file.c_str(),
                  kBenchDatabase);
    } else {
      WriteAndLoad(file, records, reuseFile, server, benchServer);
    }

    // Without an office the workbook step gives up at once, so the updates time their database work alone.
    quorvia::workbook::testing::NoOffice noOffice;
    query::QuerySession onFile(quorvia::db::DBEngine::Instance().OpenDatabase(file), noOffice, folder);
    const std::vector<ServerSetting> settings = {
        {"parallel aggregation (2 workers)", "-c max_parallel_workers_per_gather=2"},
        {"parallel aggregation (1 worker)", "-c max_parallel_workers_per_gather=1"},
        {"no parallel workers", "-c max_parallel_workers_per_gather=0"},
        {"no index (sequential scan only)", "-c enable_indexscan=off -c enable_bitmapscan=off"},
    };
    ServerFolder serverFolder(folder + "/server", benchServer);
    query::QuerySession withOffice(
        std::make_unique<quorvia::db::Database>(std::make_unique<pg::PgBackend>(benchServer)),
        serverFolder.office.System(), serverFolder.path);
    withOffice.DataStatus("FR");
    const auto districts =
        onFile.WorkDb().OpenRecordset("SELECT N3 FROM UNITS_FR WHERE N3 <> \"\" ORDER BY N3");
    for (const auto& scenario : Scenarios(districts->Value("N3").ToString())) {
      query::UpdateOutcome outcome;
      const double fileSeconds = MedianSeconds(reps, [&] { outcome = onFile.Update(scenario.selection); });
      const auto& conditions = onFile.CurrentConditions();
      std::printf("\n%s: %ld change types, %.0f ha\n", scenario.name.c_str(), outcome.recordCount,
                  outcome.area.ToDouble());
      std::printf("  SQLite file:                               %7.3f s median of %d\n", fileSeconds, reps);
      for (const auto& setting : settings) {
        const std::string conninfo = WithOptions(benchServer, setting.options);
        query::QuerySession onServer(
            std::make_unique<quorvia::db::Database>(std::make_unique<pg::PgBackend>(conninfo)), noOffice,
            folder);
        query::UpdateOutcome serverOutcome;
        const double serverSeconds =
            MedianSeconds(reps, [&] { serverOutcome = onServer.Update(scenario.selection); });
        std::printf("  PostgreSQL, %-31s%7.3f s median of %d  (%.2f x SQLite)%s\n",
                    (setting.name + ":").c_str(), serverSeconds, reps, serverSeconds / fileSeconds,
                    serverOutcome.recordCount == outcome.recordCount ? "" : "  [DIFFERENT RESULT]");
      }
      PrintWholeClick(withOffice, scenario, records, reps, outcome.recordCount);
      CompareCaseBlindForms(benchServer, query::ChangeQuery("FR", conditions.ChangeField, conditions), reps);
      std::printf("    plan of the change query (parallel aggregation allowed):\n");
      PrintPlan(WithOptions(benchServer, settings[0].options),
                query::ChangeQuery("FR", conditions.ChangeField, conditions));
    }
  } catch (const std::exception& error) {
    std::cerr << "bench_server: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
