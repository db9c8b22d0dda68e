#include "demo_database.h"

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "data_indexes/data_indexes.h"
#include "db/sqlite_connection.h"
#include "demo_country.h"
#include "demo_random.h"
#include "demo_tables.h"
#include "demo_units.h"
#include "file_mode/file_sync.h"

namespace quorvia::tools {

namespace {

// Removes the half-written database unless the finished file has been moved into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) { RemoveLeftovers(); }
  ~TemporaryFile() {
    if (!kept_) RemoveLeftovers();
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& Path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  // A leftover journal next to a fresh file would be taken for a crashed transaction of it, so it goes too.
  void RemoveLeftovers() const noexcept {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
    std::filesystem::remove(path_ + "-journal", ignored);
  }

  std::string path_;
  bool kept_ = false;
};

void CheckOptions(const std::string& path, const DemoOptions& options) {
  if (path.empty()) throw std::invalid_argument("The demo database needs a file name.");
  if (options.recordsPerCountry < 0) throw std::invalid_argument("The number of records cannot be negative.");
  if (options.largeRecords < 0)
    throw std::invalid_argument("The number of large-country records cannot be negative.");
  if (!options.largeCountry.empty() && FindDemoCountry(options.largeCountry) == nullptr) {
    throw std::invalid_argument("\"" + options.largeCountry + "\" is not a demo country; use one of " +
                                DemoCountryCodes(", ") + ".");
  }
}

void WriteAllCountries(const std::string& file, const DemoOptions& options) {
  db::SqliteConnection db(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  // Nothing here needs to survive a crash: a failed build is thrown away and started again.
  data_indexes::UseLargePages(db);
  db.Execute("PRAGMA journal_mode = MEMORY");
  db.Execute("PRAGMA synchronous = OFF");
  db.Execute("BEGIN");
  const auto& countries = DemoCountries();
  for (std::size_t index = 0; index < countries.size(); ++index) {
    const DemoCountry& country = countries[index];
    DemoRandom random(options.seed, static_cast<std::uint32_t>(index));
    const std::vector<UnitCombination> pool = BuildUnitPool(country, random);
    const int records =
        country.code == options.largeCountry ? options.largeRecords : options.recordsPerCountry;
    WriteCountryTables(db, country, pool, records, random);
  }
  data_indexes::CreateMissingIndexes(db);
  db.Execute("COMMIT");
  db.Close();
}

}  // namespace

void WriteDemoDatabase(const std::string& path, const DemoOptions& options) {
  CheckOptions(path, options);
  TemporaryFile temporary(path + ".tmp");
  WriteAllCountries(temporary.Path(), options);
  file_mode::SyncFile(temporary.Path());
  std::error_code error;
  std::filesystem::rename(temporary.Path(), path, error);
  if (error)
    throw std::runtime_error("Could not move the finished database onto " + path + ": " + error.message());
  temporary.Keep();
}

}  // namespace quorvia::tools
