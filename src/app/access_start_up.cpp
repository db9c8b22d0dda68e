#include "app/access_start_up.h"

#include <filesystem>

#include "access_import/access_header.h"
#include "access_import/file_placement.h"
#include "import_rows/import_error.h"
#include "ui_common/modal_host.h"

namespace quorvia::app {
namespace {

QString FileName(const std::string& path) {
  return QString::fromStdString(std::filesystem::path(path).filename().string());
}

QString ProgressText(const import_rows::ImportProgress& p) {
  return QStringLiteral("Converting table %1 (%2 of %3): %4 of %5 rows")
      .arg(QString::fromStdString(p.table))
      .arg(p.tableIndex + 1)
      .arg(p.tableCount)
      .arg(p.rowsDone)
      .arg(p.tableRows);
}

}  // namespace

bool OfferAccessConversion(QWidget* parent, const std::string& databasePath, ui::ModalHost& modals) {
  if (!access_import::IsAccessFile(databasePath)) return true;
  const QString question =
      QStringLiteral(
          "%1 is an Access database. Quorvia works on an SQLite copy of it. Convert it now? The original is "
          "kept as %2.")
          .arg(FileName(databasePath), FileName(access_import::FirstFreeKeptName(databasePath)));
  if (!modals.AskYesNo(parent, question)) return false;

  std::optional<QString> failure;
  modals.RunWithProgress(parent, [&](ui::ModalHost::ProgressReport& report) {
    try {
      access_import::ConvertInPlace(
          databasePath,
          [&report](const import_rows::ImportProgress& p) {
            const int percent = p.rowsInAll > 0 ? static_cast<int>(p.rowsDoneInAll * 100 / p.rowsInAll) : 0;
            report.Show(ProgressText(p), percent);
          },
          [&report] { return report.Cancelled(); });
    } catch (const import_rows::ImportError& error) {
      failure = QString::fromStdString(error.what());
    }
  });
  if (failure) modals.ShowMessage(parent, *failure);
  return !failure;
}

}  // namespace quorvia::app
