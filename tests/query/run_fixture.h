#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/db_engine.h"
#include "fake_spreadsheet.h"
#include "query/batch_run.h"
#include "query/query_session.h"
#include "selections.h"
#include "sqlite_fixture.h"

namespace quorvia::query {

// A program folder with a small database of two countries (AT with change1 and FINAL data, BE without
// change1), and a session on it whose office is the recording stand-in.
class RunFixture {
 public:
  RunFixture() {
    testing::ExecuteSql(DatabasePath(),
                        testing::CountryTablesSql("AT") + testing::CountryTablesSql("BE", false) + R"(
      INSERT INTO UNITS_AT (STATUS) VALUES ('FINAL');
      )" + testing::InsertRecords("AT") + R"(
        (10.5,  'AT', '211-112', '211-112', 'AT1', 'AT11', 'AT111', 'Lowlands', 'Low a', 'N1', 'Arable land', '> 50 Km from shoreline'),
        (20.25, 'AT', '211-112', '311-112', 'AT1', 'AT12', 'AT121', 'Lowlands', 'Low b', 'W2', 'Forests',     '> 50 Km from shoreline'),
        (5.0,   'AT', '311-312', '311-312', 'AT2', 'AT21', 'AT211', 'Hills',    'Hill a','N1', 'Forests',     '> 50 Km from shoreline'),
        (1.5,   'AT', '311-312', '311-312', 'AT2', 'AT22', 'AT221', 'Hills',    'Hill b','W2', 'Say "hi"',    '> 50 Km from shoreline'),
        (812.9, 'AT', '512-112', '512-112', 'AT3', 'AT31', 'AT311', 'Mountains','Mount', 'W3', 'Glaciers',    '> 50 Km from shoreline');
      )" + testing::InsertRecords("BE", false) + R"(
        (3.0, 'BE', '211-112', 'BE1', 'BE10', 'BE100', 'Lowlands', 'Low a', 'B1', 'Arable land', '< 10 Km from shoreline'),
        (4.0, 'BE', '311-112', 'BE2', 'BE21', 'BE211', 'Lowlands', 'Low a', 'B1', 'Forests',     '10 - 50 Km from shoreline');
    )");
    session = std::make_unique<QuerySession>(db::DBEngine::Instance().OpenDatabase(DatabasePath()), office,
                                             folder.str());
  }

  std::string DatabasePath() const { return folder.File("MOSA_DB.mdb"); }
  db::Database& Database() { return session->WorkDb(); }

  // The SQL text FILTERED holds now, read through the engine layer.
  std::string FilteredSql() {
    auto& defs = Database().GetQueryDefs();
    defs.Refresh();
    for (int i = 0; i < defs.Count(); ++i) {
      if (defs.Item(i).Name == "FILTERED") return defs.Item(i).SQL;
    }
    return "<no FILTERED>";
  }

  // Every text written to one cell of the cover page, in order.
  std::vector<std::string> CoverCell(const std::string& cell) {
    std::vector<std::string> texts;
    for (const auto& write : office.State().cellWrites) {
      if (write.starts_with(cell + "=")) texts.push_back(write.substr(cell.size() + 1));
    }
    return texts;
  }

  // The copies written, as file names without folder and extension.
  std::vector<std::string> Copies() {
    std::vector<std::string> names;
    for (const auto& path : office.State().copies) {
      names.push_back(path.substr(folder.str().size() + 1, path.size() - folder.str().size() - 5));
    }
    return names;
  }

  testing::TempFolder folder;
  workbook::testing::FakeSpreadsheetSystem office;
  std::unique_ptr<QuerySession> session;
};

}  // namespace quorvia::query
