#pragma once

#include <QTemporaryDir>
#include <string>
#include <string_view>

namespace quorvia::db::testing {

// A real SQLite file in a fresh temporary folder, written with SQLite's own API so that the tests do not
// depend on the layer they check.
class ScratchDatabase {
 public:
  explicit ScratchDatabase(std::string_view schemaSql = kSampleSchema);

  const std::string& Path() const noexcept { return path_; }
  std::string Folder() const;
  void Execute(std::string_view sql) const;  // plain SQLite SQL, outside the layer
  // Runs the sqlite3 shell on the file and returns what it prints.
  std::string RunShell(std::string_view sql) const;

  // Two countries' unit and change tables; AT's watershed values include "N1", the name of a column.
  static constexpr std::string_view kSampleSchema = R"sql(
    CREATE TABLE UNITS_AT (STATUS TEXT, WSCODE TEXT, DLT TEXT, CSTDS TEXT, N1 TEXT, N2 TEXT, N3 TEXT,
                           EBKL1DS TEXT, EBKL2DS TEXT);
    INSERT INTO UNITS_AT (STATUS, WSCODE, N1) VALUES ('FINAL', 'N1', 'AT1'), ('FINAL', '', 'AT2'),
                                                     ('FINAL', 'W7', 'AT3');
    CREATE TABLE DATA_AT (AREAHA REAL, N0CD TEXT, change2 TEXT, change1 TEXT, WSCODE TEXT, N1 TEXT);
    INSERT INTO DATA_AT VALUES (500.5, 'AT', 'c1', 'x1', 'N1', 'AT1'), (312.4, 'AT', 'c1', 'x1', 'W7', 'N1'),
                               (3.0, 'AT', 'c2', 'x2', 'W7', 'AT3');
    CREATE TABLE DATA_BE (AREAHA REAL, N0CD TEXT, change2 TEXT);
  )sql";

 private:
  QTemporaryDir folder_;
  std::string path_;
};

}  // namespace quorvia::db::testing
