#pragma once

#include <memory>
#include <string>
#include <vector>

#include "database.h"
#include "db_engine.h"
#include "refresh_workbook.h"
#include "selections.h"
#include "sqlite_fixture.h"
#include "workbook_call.h"

namespace quorvia::query {

// One call of the workbook refresh as a run made it.
struct WorkbookCallRecord {
  std::string copyName;
  std::string mode;
  SelectionTexts texts;
};

// A program folder with a small database of two countries (AT with change1, BE without), and a workbook
// refresh double that records its calls and answers with a configurable outcome.
class RunFixture {
 public:
  RunFixture() {
    testing::ExecuteSql(DatabasePath(),
                        testing::CountryTablesSql("AT") + testing::CountryTablesSql("BE", false) + R"(
      INSERT INTO DATA_AT VALUES
        (10.5,  'AT', '211-112', '211-112', 'AT1', 'AT11', 'AT111', 'Lowlands', 'Low a', 'N1', 'Arable land', '> 50 Km from shoreline'),
        (20.25, 'AT', '211-112', '311-112', 'AT1', 'AT12', 'AT121', 'Lowlands', 'Low b', 'W2', 'Forests',     '> 50 Km from shoreline'),
        (5.0,   'AT', '311-312', '311-312', 'AT2', 'AT21', 'AT211', 'Hills',    'Hill a','N1', 'Forests',     '> 50 Km from shoreline'),
        (1.5,   'AT', '311-312', '311-312', 'AT2', 'AT22', 'AT221', 'Hills',    'Hill b','W2', 'Say "hi"',    '> 50 Km from shoreline'),
        (812.9, 'AT', '512-112', '512-112', 'AT3', 'AT31', 'AT311', 'Mountains','Mount', 'W3', 'Glaciers',    '> 50 Km from shoreline');
      INSERT INTO DATA_BE VALUES
        (3.0, 'BE', '211-112', 'BE1', 'BE10', 'BE100', 'Lowlands', 'Low a', 'B1', 'Arable land', '< 10 Km from shoreline'),
        (4.0, 'BE', '311-112', 'BE2', 'BE21', 'BE211', 'Lowlands', 'Low a', 'B1', 'Forests',     '10 - 50 Km from shoreline');
    )");
    database = db::DBEngine::Instance().OpenDatabase(DatabasePath());
  }

  std::string DatabasePath() const { return folder.File("MOSA_DB.mdb"); }

  RefreshWorkbookFn Refresher() {
    return [this](const std::string& copyName, const std::string& mode, const SelectionTexts& texts) {
      calls.push_back({copyName, mode, texts});
      auto result = answer;
      if (mode == kRefreshMode && result.Succeeded()) result.saved = true;
      if (mode == kCopyMode && result.Succeeded()) result.copied = true;
      return result;
    };
  }

  // The SQL text FILTERED holds now, read through the engine layer.
  std::string FilteredSql() {
    auto& defs = database->GetQueryDefs();
    defs.Refresh();
    for (int i = 0; i < defs.Count(); ++i) {
      if (defs.Item(i).Name == "FILTERED") return defs.Item(i).SQL;
    }
    return "<no FILTERED>";
  }

  testing::TempFolder folder;
  std::unique_ptr<db::Database> database;
  std::vector<WorkbookCallRecord> calls;
  workbook::RefreshOutcome answer;  // failures set here make every call fail
};

}  // namespace quorvia::query
