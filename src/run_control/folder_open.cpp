// Opening the program folder's database as the program starts.
#include <QMetaObject>
#include <filesystem>

#include "db/db_engine.h"
#include "db/db_error.h"
#include "query/country_table.h"
#include "query/query_session.h"
#include "run_control/error_text.h"
#include "run_control/run_controller.h"

namespace quorvia::run_control {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A database file that is not there (or is a folder) is named whole, with how to get one.
QString MissingDatabaseText(const std::string& path) {
  std::error_code error;
  const bool folder = std::filesystem::is_directory(path, error);
  if (!folder && std::filesystem::exists(path, error)) return {};
  return QStringLiteral(
             "The database %1 %2.\n\nCopy your MOSA_DB.mdb there, make a demo folder (Quorvia's start "
             "dialog, or quorvia-run --make-demo FOLDER), or start Quorvia on another program folder.")
      .arg(Q(path), folder ? QStringLiteral("is a folder, not a file") : QStringLiteral("does not exist"));
}

}  // namespace

FolderOpened RunController::Open(const std::function<bool(const std::string& databasePath)>& convertAccess) {
  const std::string path = DatabaseFile();
  auto& engine = db::DBEngine::Instance();
  // A folder that points at a server does not use MOSA_DB.mdb at all: an Access file there is left alone.
  if (!engine.OnServer(path)) {
    if (const QString missing = MissingDatabaseText(path); !missing.isEmpty()) return {false, missing, {}};
    if (!convertAccess(path)) return {false, std::nullopt, {}};
  }
  FolderOpened opened{true, std::nullopt, {}};
  try {
    session_ = std::make_unique<query::QuerySession>(engine.OpenDatabase(path), office_, programFolder_);
    // The sink is called on the run thread; the label is set on the controller's.
    session_->SetStatusSink([this](const std::string& text) {
      if (statusEcho_) statusEcho_(text);
      QMetaObject::invokeMethod(
          this, [this, text] { SetLabel(text); }, Qt::QueuedConnection);
    });
    opened.countryEntries = session_->CountryEntries();
  } catch (const db::DbError& error) {
    // With a connection file the database is on a server, and the file is what the user can check.
    return {
        false,
        QStringLiteral("Cannot open the database %1\n\n").arg(Q(engine.SourceOf(path))) + ErrorText(error),
        {}};
  }
  // Without a country's DATA_ table there is no country to choose; say so instead of failing on an empty
  // code.
  if (opened.countryEntries.empty()) opened.message = Q(query::NoCountryTableText(engine.SourceOf(path)));
  return opened;
}

}  // namespace quorvia::run_control
