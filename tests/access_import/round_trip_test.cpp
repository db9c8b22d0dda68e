// Every value of every table of each sample file, converted and read back from SQLite, against what the
// Access file holds as mdb-export reads it through libmdb's own bound-column formatting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "access_import/file_placement.h"
#include "db/sqlite_connection.h"
#include "db/sqlite_statement.h"
#include "import_test_support.h"

namespace quorvia::access_import {
namespace {

using namespace testing;

struct Csv {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

// mdb-export's CSV: text quoted with doubled inner quotes, possibly over several lines.
Csv ParseCsv(const std::string& text) {
  Csv csv;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      row.push_back(std::move(field));
      field.clear();
      (csv.header.empty() ? csv.header : csv.rows.emplace_back()) = std::move(row);
      row.clear();
    } else {
      field += c;
    }
  }
  return csv;
}

Csv Export(const fs::path& file, const std::string& table) {
  const auto result = RunCommand("mdb-export -b hex -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' " +
                                 ShellQuote(file.string()) + " " + ShellQuote(table));
  EXPECT_EQ(result.status, 0) << table;
  return ParseCsv(result.output);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class Database {
 public:
  explicit Database(const fs::path& file) : connection_(file.string(), SQLITE_OPEN_READONLY) {}
  std::vector<std::string> Column(const std::string& sql, int column = 0) const {
    std::vector<std::string> values;
    db::SqliteStatement statement(Handle(), sql);
    while (statement.Step()) values.push_back(statement.Column(column).ToString());
    return values;
  }
  sqlite3* Handle() const { return connection_.Handle(); }

 private:
  db::SqliteConnection connection_;
};

std::string Hex(const void* bytes, int size) {
  std::string hex;
  char digits[3];
  for (int i = 0; i < size; ++i) {
    std::snprintf(digits, sizeof digits, "%02X", static_cast<const unsigned char*>(bytes)[i]);
    hex += digits;
  }
  return hex;
}

// The stored value as mdb-export prints it, for comparison; NULL is the empty text there, so NULLs are
// checked on their own.
std::string AsExported(sqlite3_stmt* row, int column, const std::string& declaredType) {
  const int type = sqlite3_column_type(row, column);
  if (type == SQLITE_NULL) return "";
  if (declaredType == "DOUBLE" || declaredType == "FLOAT") {
    EXPECT_EQ(type, SQLITE_FLOAT) << declaredType;
    char text[40];
    const double value = sqlite3_column_double(row, column);
    if (declaredType == "FLOAT") {
      std::snprintf(text, sizeof text, "%.8g", static_cast<float>(value));
    } else {
      std::snprintf(text, sizeof text, "%.16g", value);
    }
    return text;
  }
  if (type == SQLITE_BLOB) return Hex(sqlite3_column_blob(row, column), sqlite3_column_bytes(row, column));
  return reinterpret_cast<const char*>(sqlite3_column_text(row, column));
}

void ExpectTableMatches(const Database& converted, const fs::path& file, const std::string& table) {
  SCOPED_TRACE(file.filename().string() + " " + table);
  const Csv exported = Export(file, table);
  const auto names = converted.Column("SELECT name FROM pragma_table_info('" + table + "')");
  const auto types = converted.Column("SELECT type FROM pragma_table_info('" + table + "')");
  ASSERT_EQ(names, exported.header);  // names exactly as stored, in stored order

  sqlite3_stmt* row = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(converted.Handle(), ("SELECT * FROM \"" + table + "\" ORDER BY rowid").c_str(),
                               -1, &row, nullptr),
            SQLITE_OK);
  std::size_t r = 0;
  for (; sqlite3_step(row) == SQLITE_ROW; ++r) {
    ASSERT_LT(r, exported.rows.size());
    for (std::size_t c = 0; c < names.size(); ++c) {
      const std::string& expected = exported.rows[r][c];
      const std::string actual = AsExported(row, static_cast<int>(c), types[c]);
      if (types[c] == "CURRENCY") {
        // The decimal value, e.g. "3.5000" stored as the number 3.5.
        EXPECT_EQ(std::strtod(actual.c_str(), nullptr), std::strtod(expected.c_str(), nullptr));
      } else {
        EXPECT_EQ(actual, expected) << "row " << r + 1 << ", column " << names[c];
      }
    }
  }
  sqlite3_finalize(row);
  EXPECT_EQ(r, exported.rows.size());
}

class RoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, EveryValueOfEveryTableComesBackAsTheFileHoldsIt) {
  ScratchFolder folder;
  const fs::path converted = folder.Path() / "converted.sqlite";
  const import_rows::ImportSummary summary = ImportAccessFile(
      Sample(GetParam()), converted, [](const import_rows::ImportProgress&) {}, [] { return false; });

  const auto tables = Lines(RunCommand("mdb-tables -1 " + ShellQuote(Sample(GetParam()).string())).output);
  const Database database(converted);
  // Besides the planner's statistics (sqlite_stat1) for the indexes each change table gets.
  EXPECT_EQ(database.Column("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' "
                            "ORDER BY rowid"),
            tables);
  if (std::ranges::find(tables, "DATA_PT") != tables.end()) {
    const auto indexes = database.Column(
        "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'DATA_PT' ORDER BY name");
    ASSERT_EQ(indexes.size(), 3u);
    EXPECT_EQ(indexes[0], "DATA_PT_by_N1");
    EXPECT_EQ(indexes[1], "DATA_PT_by_N3");
    EXPECT_TRUE(indexes[2].starts_with("DATA_PT_by_change"));
  }
  EXPECT_EQ(database.Column("PRAGMA page_size"), std::vector<std::string>{"65536"});  // long reads go faster
  EXPECT_EQ(summary.tables, static_cast<int>(tables.size()));
  for (const auto& table : tables) ExpectTableMatches(database, Sample(GetParam()), table);
}

INSTANTIATE_TEST_SUITE_P(Samples, RoundTrip,
                         ::testing::Values("landcover-sample-jet4.mdb", "landcover-sample-ace.accdb",
                                           "testV1997.mdb", "testV2000.mdb", "testV2010.accdb",
                                           "testUnicodeCompV2003.mdb", "queryTestV2000.mdb"),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::erase_if(name,
                                         [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                           return name;
                         });

// mdb-export prints NULL and zero-length text alike; the converted file keeps them apart, as the Access
// file does (one zero-length WSCODE beside NULLs in other columns), and keeps SQLite's types right.
TEST(RoundTripDetails, NullStaysApartFromZeroLengthTextAndTypesFollowTheColumns) {
  for (const char* sample : {"landcover-sample-jet4.mdb", "landcover-sample-ace.accdb"}) {
    SCOPED_TRACE(sample);
    ScratchFolder folder;
    const fs::path converted = folder.Path() / "converted.sqlite";
    ImportAccessFile(
        Sample(sample), converted, [](const import_rows::ImportProgress&) {}, [] { return false; });
    const Database database(converted);
    EXPECT_EQ(database.Column("SELECT quote(WSCODE) || ',' || quote(DLT) || ',' || quote(N1) FROM UNITS_DE"),
              (std::vector<std::string>{"'DEW1','Arable land','DE1'", "'DEW2','Pastures','DE2'",
                                        "'DEW3','Forests',NULL", "'DEW4','Wetlands',NULL", "'DEW5',NULL,NULL",
                                        "'',NULL,NULL"}));
    EXPECT_EQ(database.Column("SELECT DISTINCT typeof(AREAHA) FROM DATA_PT"),
              std::vector<std::string>{"real"});
    EXPECT_EQ(database.Column("SELECT DLT FROM UNITS_PT WHERE DLT LIKE 'Montado%'"),
              std::vector<std::string>{"Montado (cortiça)"});
  }
  ScratchFolder folder;
  const fs::path converted = folder.Path() / "converted.sqlite";
  const auto summary = ImportAccessFile(
      Sample("queryTestV2000.mdb"), converted, [](const import_rows::ImportProgress&) {},
      [] { return false; });
  EXPECT_EQ(summary.storedQueries, 9);
  EXPECT_EQ(Database(converted).Column("SELECT count(*) FROM sqlite_master WHERE type = 'view'"),
            std::vector<std::string>{"0"});
}

}  // namespace
}  // namespace quorvia::access_import
