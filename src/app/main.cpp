#include <QAction>
#include <QApplication>
#include <iostream>
#include <stdexcept>

#include "app/form1.h"
#include "app/window_command_line.h"
#include "program_folder/folder_choice.h"
#include "ui_common/application_icon.h"
#include "ui_common/qt_modal_host.h"
#include "vocabulary/file_names.h"
#include "vocabulary/template_words.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/office/process/office_options.h"

namespace {

namespace fs = std::filesystem;

quorvia::program_folder::StartRequest StartRequestOf(const quorvia::app::WindowCommandLine& line) {
  const fs::path programs = QCoreApplication::applicationDirPath().toStdString();
  quorvia::program_folder::StartRequest request{std::nullopt, programs,
                                                quorvia::program_folder::BundledFilesBeside(programs)};
  if (line.folder) request.argument = fs::path(*line.folder);
  request.askFirst = line.chooseFolder;
  return request;
}

// Offered by the window's context menu: the report template written into the folder, and said so.
void AddWriteTemplateAction(QWidget& window, const fs::path& folder,
                            const quorvia::program_folder::BundledFiles& bundled,
                            quorvia::ui::ModalHost& modals) {
  auto* action = new QAction(QString::fromUtf8(quorvia::vocabulary::kWriteTemplateAction), &window);
  QObject::connect(action, &QAction::triggered, &window, [&window, folder, bundled, &modals] {
    quorvia::program_folder::WriteReportTemplateFromWindow(&window, folder, bundled, modals);
  });
  window.addAction(action);
}

}  // namespace

// Starting the program loads the main window on the database and workbook of the program folder: the
// folder given on the command line, the program's own folder when it holds the database, the folder opened
// last, or the one the user picks in the start dialog.
int main(int argc, char** argv) {
  // Read before the window system is reached: --help and a wrong command line need no display.
  quorvia::app::WindowCommandLine line;
  try {
    line = quorvia::app::ParseWindowCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& error) {
    std::cerr << "quorvia: " << error.what() << "\n\n" << quorvia::app::WindowUsage();
    return 2;
  }
  if (line.help) {
    std::cout << quorvia::app::WindowUsage();
    return 0;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(quorvia::ui::kApplicationTitle);
  // The window manager's class of the windows follows the desktop entry, so a taskbar ties them to it.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(quorvia::ui::kDesktopEntry));
  QApplication::setWindowIcon(quorvia::ui::ApplicationIcon());

  quorvia::ui::QtModalHost modals;
  quorvia::program_folder::FolderMemory memory;
  const auto request = StartRequestOf(line);
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
  AddWriteTemplateAction(form, *chosen, request.bundled, modals);
  // An update that found no report workbook offers the template once more.
  QObject::connect(&form, &quorvia::app::Form1::RunEnded, &form, [&, offered = false]() mutable {
    if (offered || !quorvia::program_folder::LacksReportWorkbook(*chosen)) return;
    offered = true;
    quorvia::program_folder::OfferReportTemplate(&form, *chosen, request.bundled, modals);
  });
  form.show();
  // The first update then finds an office started and waiting, without the window waiting for it.
  office.StartParkedInBackground(folder + "/" + quorvia::vocabulary::kReportFileName);
  return QApplication::exec();
}
