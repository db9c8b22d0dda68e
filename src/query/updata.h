#pragma once

#include <optional>
#include <string>

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// Replaces the stored query FILTERED with Sql as one change: when the new definition cannot be created or
// does not compile, the old FILTERED stays as it was and the engine's error is raised.
void Updata(db::Database& WorkDb, const std::string& Sql);

// The SQL text FILTERED holds now, read afresh; nothing when the database has no FILTERED.
std::optional<std::string> StoredFiltered(db::Database& WorkDb);

// Puts FILTERED back as StoredFiltered found it before a run rewrote it: its old text, or no FILTERED at
// all. One change, as Updata; the engine's error is raised when it cannot be done.
void PutBackFiltered(db::Database& WorkDb, const std::optional<std::string>& before);

// FILTERED rewritten for one refresh of the report. Unless the caller keeps it (the report was saved with
// its figures), FILTERED is put back as it was before, so that the database and the report agree: by
// PutBack, or when the rewrite goes out of scope (an error leaving the run).
class FilteredRewrite {
 public:
  // Reads FILTERED, then rewrites it with `sql` (Updata); the engine's error leaves FILTERED as it was.
  FilteredRewrite(db::Database& WorkDb, const std::string& sql);
  ~FilteredRewrite();
  FilteredRewrite(const FilteredRewrite&) = delete;
  FilteredRewrite& operator=(const FilteredRewrite&) = delete;

  void Keep() noexcept { settled_ = true; }
  // Puts FILTERED back; "" when it is as it was, the engine's words when that could not be done.
  std::string PutBack();

 private:
  db::Database& workDb_;
  std::optional<std::string> before_;
  bool settled_ = false;
};

}  // namespace quorvia::query
