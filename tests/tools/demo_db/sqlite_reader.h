#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvia::tools::testing {

// Reads a database file read-only with plain SQL, the way the program's layer sees it.
class SqliteReader {
 public:
  explicit SqliteReader(const std::string& path) : db_(nullptr, &sqlite3_close_v2) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK) throw std::runtime_error("cannot open " + path);
  }

  // Every row as its columns joined by "|", NULL shown as <null>.
  std::vector<std::string> Rows(const std::string& sql) const {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
      throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_.get()));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, &sqlite3_finalize);
    std::vector<std::string> rows;
    while (sqlite3_step(raw) == SQLITE_ROW) {
      std::string row;
      for (int column = 0; column < sqlite3_column_count(raw); ++column) {
        if (column > 0) row += "|";
        const auto* text = sqlite3_column_text(raw, column);
        row += text == nullptr ? "<null>" : reinterpret_cast<const char*>(text);
      }
      rows.push_back(std::move(row));
    }
    return rows;
  }

  std::int64_t Number(const std::string& sql) const {
    const std::vector<std::string> rows = Rows(sql);
    if (rows.size() != 1) throw std::runtime_error(sql + ": expected one row");
    return std::stoll(rows.front());
  }

 private:
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> db_;
};

}  // namespace quorvia::tools::testing
