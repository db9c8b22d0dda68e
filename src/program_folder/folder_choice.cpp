#include "program_folder/folder_choice.h"

#include <QDir>
#include <QSettings>

#include "program_folder/folder_chooser.h"
#include "program_folder/log.h"
#include "program_folder/start_dialog.h"
#include "ui_common/modal_host.h"
#include "vocabulary/file_names.h"

namespace quorvia::program_folder {
namespace {

namespace fs = std::filesystem;

const QString kFolderKey = QStringLiteral("folder");

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

QString NoDatabaseText(const fs::path& folder) {
  std::error_code error;
  if (!fs::is_directory(folder, error))
    return QStringLiteral("The folder \"%1\" does not exist.").arg(Q(folder));
  return QStringLiteral(
             "The folder \"%1\" holds no MOSA_DB.mdb (and no MOSA_DB.pgconn), so Quorvia has nothing to work "
             "on "
             "there. Choose a folder that holds your MOSA_DB.mdb.")
      .arg(Q(folder));
}

// A typed folder name: "~" stands for the home folder, and a relative name is taken from the home folder.
fs::path TypedFolder(const QString& typed) {
  const QString text = typed.trimmed();
  const fs::path home = QDir::homePath().toStdString();
  if (text == QStringLiteral("~")) return home;
  if (text.startsWith(QStringLiteral("~/"))) return home / text.mid(2).toStdString();
  const fs::path path = text.toStdString();
  return path.is_absolute() ? path : home / path;
}

std::optional<fs::path> OpenFolderChoice(QWidget* parent, ui::ModalHost& modals) {
  FolderChooser chooser(parent, QDir::homePath());
  for (;;) {
    modals.ShowModal(chooser);
    if (chooser.result() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return std::nullopt;
    const fs::path folder = NormalFolder(chooser.selectedFiles().front().toStdString());
    if (HoldsDatabase(folder)) return folder;
    modals.ShowMessage(parent, NoDatabaseText(folder));
    chooser.setDirectory(Q(folder));
  }
}

std::optional<fs::path> DemoFolderChoice(QWidget* parent, const BundledFiles& bundled,
                                         ui::ModalHost& modals) {
  QString proposed = Q(ProposedDemoFolder(QDir::homePath().toStdString()));
  for (;;) {
    const auto typed = modals.InputBox(
        parent,
        QStringLiteral("Quorvia writes a demo database and the report template into a new folder. Folder:"),
        QStringLiteral("Make a demo folder"), proposed);
    if (!typed || typed->trimmed().isEmpty()) return std::nullopt;
    const fs::path folder = NormalFolder(TypedFolder(*typed));
    try {
      MakeDemoFolder(bundled, folder);
      return folder;
    } catch (const FolderError& error) {
      modals.ShowMessage(parent, QString::fromStdString(error.what()));
      proposed = *typed;
    }
  }
}

}  // namespace

FolderMemory::FolderMemory()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Quorvia"), QStringLiteral("Quorvia"))) {}

FolderMemory::FolderMemory(const QString& settingsFile)
    : settings_(std::make_unique<QSettings>(settingsFile, QSettings::IniFormat)) {}

FolderMemory::~FolderMemory() = default;

std::optional<fs::path> FolderMemory::LastFolder() const {
  const QString folder = settings_->value(kFolderKey).toString();
  if (folder.isEmpty()) return std::nullopt;
  return fs::path(folder.toStdString());
}

void FolderMemory::Remember(const fs::path& folder) {
  settings_->setValue(kFolderKey, Q(NormalFolder(folder)));
  settings_->sync();
  // Not remembering is no reason to stop the user's work; the next start shows the start dialog.
  if (settings_->status() != QSettings::NoError) {
    qCWarning(lcProgramFolder) << "cannot remember the folder in" << settings_->fileName();
  }
}

std::optional<fs::path> ChooseProgramFolder(QWidget* parent, const StartRequest& request,
                                            const FolderMemory& memory, ui::ModalHost& modals) {
  if (request.argument) {
    const fs::path folder = NormalFolder(FolderOfArgument(*request.argument));
    if (HoldsDatabase(folder)) return folder;
    modals.ShowMessage(parent, NoDatabaseText(folder));
    return AskForProgramFolder(parent, {}, request.bundled, modals);
  }
  if (request.askFirst) return AskForProgramFolder(parent, {}, request.bundled, modals);
  if (HoldsDatabase(request.programsFolder)) return NormalFolder(request.programsFolder);
  QString note;
  if (const auto last = memory.LastFolder()) {
    if (HoldsDatabase(*last)) return *last;
    note =
        QStringLiteral("The folder you worked on last, \"%1\", is no longer there or holds no MOSA_DB.mdb.")
            .arg(Q(*last));
  }
  return AskForProgramFolder(parent, note, request.bundled, modals);
}

std::optional<fs::path> AskForProgramFolder(QWidget* parent, const QString& note, const BundledFiles& bundled,
                                            ui::ModalHost& modals) {
  for (;;) {
    StartDialog dialog(parent, note);
    modals.ShowModal(dialog);
    std::optional<fs::path> folder;
    switch (dialog.ChosenAction()) {
      case StartDialog::Choice::OpenFolder:
        folder = OpenFolderChoice(parent, modals);
        break;
      case StartDialog::Choice::MakeDemoFolder:
        folder = DemoFolderChoice(parent, bundled, modals);
        break;
      case StartDialog::Choice::Quit:
        return std::nullopt;
    }
    // A cancelled chooser or name leads back to the start dialog.
    if (folder) return folder;
  }
}

void OfferReportTemplate(QWidget* parent, const fs::path& folder, const BundledFiles& bundled,
                         ui::ModalHost& modals) {
  if (!LacksReportWorkbook(folder)) return;
  const QString question =
      QStringLiteral(
          "The folder \"%1\" has no report workbook MOSA_QUERY.xls, so an update cannot refresh a report.\n\n"
          "Write the report template there now?")
          .arg(Q(folder));
  if (!modals.AskYesNo(parent, question)) return;
  try {
    WriteReportTemplate(bundled, folder);
  } catch (const FolderError& error) {
    modals.ShowMessage(parent, QString::fromStdString(error.what()));
  }
}

void WriteReportTemplateFromWindow(QWidget* parent, const fs::path& folder, const BundledFiles& bundled,
                                   ui::ModalHost& modals) {
  try {
    WriteReportTemplate(bundled, folder);
    modals.ShowMessage(parent, QStringLiteral("The report template was written to \"%1\"; the next update "
                                              "refreshes it.")
                                   .arg(Q(folder / vocabulary::kReportFileName)));
  } catch (const FolderError& error) {
    modals.ShowMessage(parent, QString::fromStdString(error.what()));
  }
}

fs::path ProposedDemoFolder(const fs::path& home) {
  const fs::path first = home / "Quorvia demo";
  std::error_code error;
  if (!fs::exists(first, error)) return first;
  for (int number = 2;; ++number) {
    const fs::path next = home / ("Quorvia demo " + std::to_string(number));
    if (!fs::exists(next, error)) return next;
  }
}

QString ProgramFolderNote(const fs::path& folder) {
  return QStringLiteral("Program folder: %1").arg(Q(folder));
}

}  // namespace quorvia::program_folder
