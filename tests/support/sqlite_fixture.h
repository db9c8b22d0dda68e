#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace quorvia::testing {

// A temporary program folder that is removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvia-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Runs plain SQLite SQL (several statements allowed) on a file, creating it when missing.
inline void ExecuteSql(const std::string& file, const std::string& sql) {
  sqlite3* handle = nullptr;
  if (sqlite3_open(file.c_str(), &handle) != SQLITE_OK) {
    sqlite3_close(handle);
    throw std::runtime_error("cannot open " + file);
  }
  char* message = nullptr;
  const int result = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &message);
  const std::string text = message ? message : "";
  sqlite3_free(message);
  sqlite3_close(handle);
  if (result != SQLITE_OK) throw std::runtime_error("SQL failed: " + text + "\n" + sql);
}

// A single number from a query of plain SQLite SQL.
inline double QueryNumber(const std::string& file, const std::string& sql) {
  sqlite3* handle = nullptr;
  sqlite3_open_v2(file.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  double value = 0;
  if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    value = sqlite3_column_double(statement, 0);
  }
  sqlite3_finalize(statement);
  sqlite3_close(handle);
  return value;
}

// The unit and data tables of one country in the shape the program reads; `change1` can be left out.
inline std::string CountryTablesSql(const std::string& code, bool withChange1 = true) {
  const std::string units = "CREATE TABLE UNITS_" + code +
                            " (STATUS TEXT, WSCODE TEXT, DLT TEXT, CSTDS TEXT, N1 TEXT, N2 TEXT, N3 TEXT,"
                            " EBKL1DS TEXT, EBKL2DS TEXT);";
  const std::string data = "CREATE TABLE DATA_" + code + " (AREAHA REAL, N0CD TEXT, " +
                           (withChange1 ? std::string("change1 TEXT, ") : std::string()) +
                           "change2 TEXT, N1 TEXT, N2 TEXT, N3 TEXT, EBKL1DS TEXT, EBKL2DS TEXT, WSCODE TEXT,"
                           " DLT TEXT, CSTDS TEXT);";
  return units + data;
}

}  // namespace quorvia::testing
