#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/grouped_sum.h"
#include "db/query_defs.h"
#include "db/recordset.h"
#include "db/table_defs.h"

namespace quorvia::db {

// What one database engine does for Database. SQL texts arrive in the program's dialect; each engine
// translates them to its own. Every failure is raised as DbError.
class DatabaseBackend {
 public:
  virtual ~DatabaseBackend() = default;

  // The file, or the server and database, for messages.
  virtual const std::string& Location() const noexcept = 0;

  virtual std::vector<TableDef> ReadTables() = 0;
  virtual std::unique_ptr<Recordset> OpenRecordset(const std::string& programSql) = 0;
  // Raises what OpenRecordset would raise for a query that does not compile, without running it.
  virtual void CheckQuery(const std::string& programSql) = 0;

  // Stored queries in the engine's own order, with the program's SQL text each was created with.
  virtual std::vector<QueryDef> ReadQueryDefs() = 0;
  // storedName is a name exactly as ReadQueryDefs gave it.
  virtual void DropQueryDef(const std::string& storedName) = 0;
  // Stores the query at once; a query that does not compile stores nothing.
  virtual void CreateQueryDef(const std::string& name, const std::string& programSql) = 0;

  // A second connection to the same database, for a query that runs beside one on this connection;
  // nothing when the engine offers none.
  virtual std::unique_ptr<DatabaseBackend> OpenAnother() const { return nullptr; }
  // The figures of a grouped sum and its total read in parts on this connection and `beside` (one that
  // OpenAnother gave) at once, identical to those of the two queries read whole; nothing when the engine
  // cannot promise that for this request.
  virtual std::optional<GroupedSum> ReadGroupedSumInParts(DatabaseBackend& /*beside*/,
                                                          const GroupedSumRequest& /*request*/) {
    return std::nullopt;
  }

  // Stops the statement running on this connection now, if any; the one call that may come from any
  // thread. The statement fails with DbError kInterrupted; a statement started afterwards runs as usual.
  virtual void Interrupt() noexcept {}

  virtual void BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void Rollback() = 0;
};

}  // namespace quorvia::db
