#include "db/sqlite_grouped_sum.h"

#include <sqlite3.h>
#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <string_view>
#include <utility>
#include <vector>

#include "db/ascii_case.h"
#include "db/db_error.h"
#include "db/log.h"
#include "db/sql_dialect.h"
#include "db/sqlite_statement.h"

namespace quorvia::db {
namespace {

// More distinct groups than this and finding them costs more than the second core saves.
constexpr std::size_t kMostGroups = 5000;
// The row-order values take 8 bytes per rowid between the table's first and last; beyond this the total
// is read whole instead.
constexpr sqlite3_int64 kMostKeptRowids = sqlite3_int64{1} << 25;
constexpr int kFirstCorrectedSum = 3043000;
constexpr std::size_t kCacheLine = 64;
constexpr const char* kKeepFunction = "quorvia_keep_in_row_order";

using Rows = std::vector<std::vector<FieldValue>>;

std::vector<std::string> PlanOf(sqlite3* handle, const std::string& sqliteSql) {
  SqliteStatement plan(handle, "EXPLAIN QUERY PLAN " + sqliteSql);
  std::vector<std::string> details;
  while (plan.Step()) details.push_back(plan.Column(3).ToString());
  return details;
}

// The index of a plan that reads one covering index in its own order and nothing else (no sort, no
// temporary tree): "SEARCH DATA_FR USING COVERING INDEX DATA_FR_by_change1 (N0CD=?)".
std::optional<std::string> CoveringIndexRead(const std::vector<std::string>& plan) {
  constexpr std::string_view kUsing = " USING COVERING INDEX ";
  if (plan.size() != 1 || !plan[0].starts_with("SEARCH ")) return std::nullopt;
  const std::size_t at = plan[0].find(kUsing);
  if (at == std::string::npos) return std::nullopt;
  const std::size_t start = at + kUsing.size();
  return plan[0].substr(start, plan[0].find(' ', start) - start);
}

// A plan that reads the table itself from its first row to its last: the engine's sum then adds the
// values in rowid order.
bool ScansTableInRowidOrder(const std::vector<std::string>& plan) {
  return plan.size() == 1 && plan[0].starts_with("SCAN ") && plan[0].find(" INDEX") == std::string::npos;
}

// Whether a write can land between the first connection's read and the second's start: with a rollback
// journal none can while the first reads, in write-ahead mode one can, and each would read another state.
bool WritesWaitForReads(sqlite3* handle) {
  SqliteStatement mode(handle, "PRAGMA journal_mode");
  return mode.Step() && !EqualsIgnoringAsciiCase(mode.Column(0).ToString(), "wal");
}

// The texts of the parts, in the program's dialect, made of the same pieces as the queries read whole.
// Each group is read by a query of its own that names its value: the engine then reads that group's stretch
// of the covering index in the grouped query's order, without comparing each row with the one before.
struct PartTexts {
  explicit PartTexts(const GroupedSumRequest& r)
      : where(" from " + r.table + " where (" + r.condition + ")"),
        firstGroup("SELECT " + r.groupColumn + where + " order by " + r.groupColumn + " limit 1"),
        nextGroup("SELECT " + r.groupColumn + where + " AND " + r.groupColumn + " > ?1 order by " +
                  r.groupColumn + " limit 1"),
        sum("SELECT sum(" + r.sumColumn + ") as " + r.sumAlias),
        keep("SELECT " + std::string(kKeepFunction) + "(rowid, " + r.sumColumn + ") as " + r.sumAlias),
        oneGroup(where + " AND " + r.groupColumn + " = ?1") {}

  // The keeping function sums each group as sum() does (plain addition, where it is used) and keeps its
  // values on the way: one call per row instead of two.
  std::string Group(bool keeping) const { return ToSqlite((keeping ? keep : sum) + oneGroup); }

  std::string where;
  std::string firstGroup;
  std::string nextGroup;
  std::string sum;
  std::string keep;
  std::string oneGroup;
};

// The distinct values of the group column in index order, each found by one seek past the one before.
std::optional<std::vector<std::string>> GroupValues(sqlite3* handle, const PartTexts& texts,
                                                    const std::string& index) {
  const std::string nextSql = ToSqlite(texts.nextGroup);
  if (CoveringIndexRead(PlanOf(handle, nextSql)) != index) return std::nullopt;
  SqliteStatement first(handle, ToSqlite(texts.firstGroup));
  SqliteStatement next(handle, nextSql);
  std::vector<std::string> values;
  for (SqliteStatement* seek = &first; seek->Step(); seek = &next) {
    const FieldValue value = seek->Column(0);
    const auto* text = std::get_if<std::string>(&value.storage());
    // A blob sorts after every text and would be met again and again by a seek past a text.
    if (text == nullptr || seek->ColumnIsBlob(0) || values.size() == kMostGroups) return std::nullopt;
    values.push_back(*text);
    next.Reset();
    next.BindText(1, *text);
  }
  return values;
}

// The values of the summed column by rowid, zero where no row of the selection lies: adding zero leaves
// a sum as it is, so adding them all in order gives the engine's sum in rowid order to the bit.
class RowOrderValues {
 public:
  RowOrderValues(sqlite3_int64 firstRowid, sqlite3_int64 count)
      : firstRowid_(firstRowid), count_(static_cast<std::size_t>(count)), bytes_(count_ * sizeof(double)) {
    void* mapped = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    // Anonymous pages come filled with zeros, and only those written take memory. (Huge pages were
    // tried: where the system makes them on demand, a fault can wait for memory to be compacted.)
    values_ = static_cast<double*>(mapped);
  }
  ~RowOrderValues() { munmap(values_, bytes_); }
  RowOrderValues(const RowOrderValues&) = delete;
  RowOrderValues& operator=(const RowOrderValues&) = delete;

  // The place of a rowid, or nothing outside the table's range as it was at the start.
  std::optional<std::size_t> PlaceOf(sqlite3_int64 rowid) const noexcept {
    const sqlite3_int64 at = rowid - firstRowid_;
    if (at < 0 || static_cast<std::size_t>(at) >= count_) return std::nullopt;
    return static_cast<std::size_t>(at);
  }
  void Put(std::size_t place, double value) noexcept { values_[place] = value; }

  // Naive addition from the first rowid to the last, as the engine's sum() adds floating-point values.
  double SumInOrder() const noexcept {
    double sum = 0;
    for (std::size_t i = 0; i < count_; ++i) sum += values_[i];
    return sum;
  }

 private:
  sqlite3_int64 firstRowid_;
  std::size_t count_;
  std::size_t bytes_;
  double* values_ = nullptr;
};

// What one connection keeps on its groups. Each connection has its own, so the rows' steps share nothing
// but the row-order values, each place written by the connection whose group holds its row. A row's value
// is first noted in a short list and written to its place with the rest of the list: a write to a far
// place holds up every later write of the engine until it is done, in a tight loop the writes overlap.
// The two keepers lie side by side and each changes at every row, so each has a cache line of its own: on
// one line, every row's step waited for the line to come back from the other core (up to 40 % slower,
// depending on where the stack happened to lie).
class alignas(kCacheLine) Keeper {
 public:
  explicit Keeper(RowOrderValues* values) : values_(values) { pending_.reserve(kPending); }

  void Keep(sqlite3_int64 rowid, double value) {
    const auto place = values_->PlaceOf(rowid);
    if (!place) {
      unusable_ = true;
      return;
    }
    pending_.emplace_back(*place, value);
    ++kept_;
    if (pending_.size() == kPending) Flush();
  }
  void Flush() noexcept {
    for (const auto& [place, value] : pending_) values_->Put(place, value);
    pending_.clear();
  }
  // A value the engine's sum() adds as an integer, or a rowid outside the table's range seen at the start.
  void MarkUnusable() noexcept { unusable_ = true; }
  bool Unusable() const noexcept { return unusable_; }
  std::int64_t Kept() const noexcept { return kept_; }

 private:
  static constexpr std::size_t kPending = 4096;
  RowOrderValues* values_;
  std::vector<std::pair<std::size_t, double>> pending_;
  std::int64_t kept_ = 0;
  bool unusable_ = false;
};

// One group's sum as SQLite's sum() (before 3.43) makes it of floating-point values: plain addition in the
// order of the rows, nothing when the group has no value. An integer value (which sum() adds exactly)
// makes the whole read unusable.
struct GroupSum {
  double sum;
  std::int64_t count;
};

void KeepStep(sqlite3_context* context, int, sqlite3_value** arguments) {
  auto& keeper = *static_cast<Keeper*>(sqlite3_user_data(context));
  const int type = sqlite3_value_numeric_type(arguments[1]);
  if (type == SQLITE_NULL) return;
  if (type == SQLITE_INTEGER) {
    keeper.MarkUnusable();
    return;
  }
  auto* group = static_cast<GroupSum*>(sqlite3_aggregate_context(context, sizeof(GroupSum)));
  if (group == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  const double value = sqlite3_value_double(arguments[1]);
  group->sum += value;
  ++group->count;
  try {
    keeper.Keep(sqlite3_value_int64(arguments[0]), value);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(context);
  }
}

void KeepFinal(sqlite3_context* context) {
  const auto* group = static_cast<GroupSum*>(sqlite3_aggregate_context(context, 0));
  if (group == nullptr || group->count == 0) {
    sqlite3_result_null(context);
  } else {
    sqlite3_result_double(context, group->sum);
  }
}

// The keeping function on one connection for as long as the object lives.
class KeepFunction {
 public:
  KeepFunction(sqlite3* handle, Keeper& keeper) : handle_(handle) {
    if (sqlite3_create_function_v2(handle, kKeepFunction, 2, SQLITE_UTF8, &keeper, nullptr, KeepStep,
                                   KeepFinal, nullptr) != SQLITE_OK) {
      ThrowLastError(handle);
    }
  }
  ~KeepFunction() {
    sqlite3_create_function_v2(handle_, kKeepFunction, 2, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr,
                               nullptr);
  }
  KeepFunction(const KeepFunction&) = delete;
  KeepFunction& operator=(const KeepFunction&) = delete;

 private:
  sqlite3* handle_;
};

// One read transaction per connection, so that all its ranges see the same state of the file.
class ReadSnapshot {
 public:
  explicit ReadSnapshot(sqlite3* handle) : handle_(handle), own_(sqlite3_get_autocommit(handle) != 0) {
    if (own_ && sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) ThrowLastError(handle);
  }
  ~ReadSnapshot() {
    if (!own_ || sqlite3_exec(handle_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return;
    // An interrupt meant for the read may land on its end; a read left open would keep the next
    // transaction on this connection from starting, so it is ended the other way.
    qCWarning(lcDb) << "Ending a read of a grouped sum failed:" << sqlite3_errmsg(handle_);
    if (sqlite3_get_autocommit(handle_) == 0) sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  ReadSnapshot(const ReadSnapshot&) = delete;
  ReadSnapshot& operator=(const ReadSnapshot&) = delete;

 private:
  sqlite3* handle_;
  bool own_;
};

FieldValue ReadTotal(sqlite3* handle, const std::string& totalSql) {
  SqliteStatement total(handle, ToSqlite(totalSql));
  return total.Step() ? total.Column(0) : FieldValue();
}

// The row-order values for the table, when its total is summed in rowid order by plain addition and its
// rowids are few enough to keep. SQLite from 3.43 on sums with a running correction, which the values
// added again here would not repeat.
std::unique_ptr<RowOrderValues> RowOrderValuesFor(sqlite3* handle, const GroupedSumRequest& request) {
  if (sqlite3_libversion_number() >= kFirstCorrectedSum) return nullptr;
  if (!ScansTableInRowidOrder(PlanOf(handle, ToSqlite(request.totalSql)))) return nullptr;
  // A column of its own named rowid would stand for the row's number in the part texts.
  SqliteStatement named(handle, "SELECT count(*) FROM pragma_table_info(?1) WHERE lower(name) = 'rowid'");
  named.BindText(1, request.table);
  if (!named.Step() || named.Column(0).ToDouble() != 0) return nullptr;
  // Each alone, so that each is one step to an end of the table (together they would read it all).
  SqliteStatement firstRow(handle, "SELECT min(rowid) FROM " + request.table);
  SqliteStatement lastRow(handle, "SELECT max(rowid) FROM " + request.table);
  if (!firstRow.Step() || !lastRow.Step() || firstRow.Column(0).IsNull()) return nullptr;
  const auto first = std::get<std::int64_t>(firstRow.Column(0).storage());
  const auto last = std::get<std::int64_t>(lastRow.Column(0).storage());
  if (last - first >= kMostKeptRowids) return nullptr;
  return std::make_unique<RowOrderValues>(first, last - first + 1);
}

// One connection's share: the total first when it is to be read whole, then groups as they come, each
// group's sum at the group's place.
class GroupReader {
 public:
  GroupReader(const std::vector<std::string>& groups, std::vector<FieldValue>& sums,
              std::atomic<std::size_t>& next)
      : groups_(groups), sums_(sums), next_(next) {}

  void Run(sqlite3* handle, const std::string& groupSql, const std::string& totalSql, FieldValue* total) {
    if (total != nullptr) *total = ReadTotal(handle, totalSql);
    SqliteStatement group(handle, groupSql);
    for (std::size_t i = next_++; i < groups_.size(); i = next_++) {
      group.Reset();
      group.BindText(1, groups_[i]);
      if (group.Step()) sums_[i] = group.Column(0);
    }
  }

 private:
  const std::vector<std::string>& groups_;
  std::vector<FieldValue>& sums_;
  std::atomic<std::size_t>& next_;
};

}  // namespace

std::optional<GroupedSum> ReadGroupedSumInParts(sqlite3* first, sqlite3* second,
                                                const GroupedSumRequest& request) {
  const PartTexts texts(request);
  const auto index = CoveringIndexRead(PlanOf(first, ToSqlite(request.groupsSql)));
  if (!index || !WritesWaitForReads(first)) return std::nullopt;
  auto rowOrder = RowOrderValuesFor(first, request);
  // Each connection keeps into its own keeper; the function must be known before a text naming it compiles.
  Keeper own(rowOrder.get());
  Keeper beside(rowOrder.get());
  std::optional<KeepFunction> keepOwn;
  std::optional<KeepFunction> keepBeside;
  if (rowOrder) {
    keepOwn.emplace(first, own);
    keepBeside.emplace(second, beside);
  }
  const std::string groupSql = texts.Group(rowOrder != nullptr);
  if (CoveringIndexRead(PlanOf(first, groupSql)) != index) return std::nullopt;

  // The groups are found in the first connection's read, and the second's begins while it is open, so
  // both read the state of the file in which the groups were found.
  const ReadSnapshot firstRead(first);
  const auto groups = GroupValues(first, texts, *index);
  if (!groups) return std::nullopt;
  std::vector<FieldValue> sums(groups->size());
  std::atomic<std::size_t> next{0};
  GroupedSum sum;
  auto besideDone = std::async(std::launch::async, [&] {
    const ReadSnapshot besideRead(second);
    GroupReader(*groups, sums, next).Run(second, groupSql, {}, nullptr);
  });
  try {
    GroupReader(*groups, sums, next).Run(first, groupSql, request.totalSql, rowOrder ? nullptr : &sum.total);
  } catch (...) {
    besideDone.wait();
    throw;
  }
  besideDone.get();
  if (rowOrder) {
    own.Flush();
    beside.Flush();
    // The groups were summed as floating-point values too: read whole, as sum() adds integers exactly.
    if (own.Unusable() || beside.Unusable()) return std::nullopt;
    if (own.Kept() + beside.Kept() > 0) {
      sum.total = FieldValue(rowOrder->SumInOrder());
    }
  }
  Rows rows;
  rows.reserve(groups->size());
  for (std::size_t i = 0; i < groups->size(); ++i) rows.push_back({FieldValue((*groups)[i]), sums[i]});
  sum.groups = std::make_unique<Recordset>(std::vector<std::string>{request.groupAlias, request.sumAlias},
                                           std::move(rows));
  return sum;
}

}  // namespace quorvia::db
