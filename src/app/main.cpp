#include <QApplication>
#include <QCommandLineParser>

#include "app/form1.h"
#include "program_folder/folder_choice.h"
#include "ui_common/qt_modal_host.h"
#include "vocabulary/file_names.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/office/process/office_options.h"

namespace {

namespace fs = std::filesystem;

// The command line: "quorvia [--choose-folder] [FOLDER]".
quorvia::program_folder::StartRequest ReadCommandLine(const QApplication& application) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Queries land-cover changes in the database MOSA_DB.mdb of a folder and refreshes the "
                     "report workbook MOSA_QUERY.xls beside it."));
  parser.addHelpOption();
  const QCommandLineOption chooseFolder(
      QStringLiteral("choose-folder"),
      QStringLiteral("Show the start dialog even when a folder was opened before."));
  parser.addOption(chooseFolder);
  parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("The folder to work on."),
                               QStringLiteral("[FOLDER]"));
  parser.process(application);
  const QStringList folders = parser.positionalArguments();
  if (folders.size() > 1) parser.showHelp(2);
  const fs::path programs = QCoreApplication::applicationDirPath().toStdString();
  quorvia::program_folder::StartRequest request{std::nullopt, programs,
                                                quorvia::program_folder::BundledFilesBeside(programs)};
  if (!folders.isEmpty()) request.argument = fs::path(folders.front().toStdString());
  request.askFirst = parser.isSet(chooseFolder);
  return request;
}

}  // namespace

// Starting the program loads the main window on the database and workbook of the program folder: the
// folder given on the command line, the program's own folder when it holds the database, the folder opened
// last, or the one the user picks in the start dialog.
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(quorvia::ui::kApplicationTitle);
  QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvia.Quorvia"));

  quorvia::ui::QtModalHost modals;
  quorvia::program_folder::FolderMemory memory;
  const auto request = ReadCommandLine(application);
  const auto chosen = quorvia::program_folder::ChooseProgramFolder(nullptr, request, memory, modals);
  if (!chosen) return 0;
  const std::string folder = chosen->string();

  // The office lives as long as the program: one it started ends with it. A report that the user opened
  // with quorvia-report is refreshed where it is shown.
  auto options = quorvia::workbook::office::OfficeOptions::Default();
  options.reportFolder = folder;
  quorvia::workbook::office::LibreOfficeSystem office(options);
  quorvia::app::Form1 form(folder, modals, office);
  // The caption is the form's own; the folder shows where the pointer rests on the window.
  form.setToolTip(quorvia::program_folder::ProgramFolderNote(*chosen));
  if (!form.Form_Load()) return 1;
  // Once the database is open (an Access file converted), so a refused conversion leaves no new file.
  quorvia::program_folder::OfferReportTemplate(nullptr, *chosen, request.bundled, modals);
  memory.Remember(*chosen);
  form.show();
  // The first update then finds an office started and waiting, without the window waiting for it.
  office.StartParkedInBackground(folder + "/" + quorvia::vocabulary::kReportFileName);
  return QApplication::exec();
}
