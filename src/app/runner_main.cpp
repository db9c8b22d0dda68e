// quorvia-run: the main window without a display, driven from the command line for scripts.
#include <QApplication>
#include <filesystem>
#include <iostream>

#include "app/access_start_up.h"
#include "app/form1.h"
#include "app/qt_text.h"
#include "app/runner_options.h"
#include "app/runner_selection.h"
#include "app/scripted_modal_host.h"
#include "app/stop_signals.h"
#include "program_folder/folder_files.h"
#include "run_control/run_controller.h"
#include "vocabulary/file_names.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/office/process/office_options.h"

namespace {

using quorvia::app::Form1;
using quorvia::app::RunnerOptions;
using quorvia::app::RunnerSelection;
using quorvia::query::FilterKind;
using quorvia::query::kFilters;

using quorvia::app::Q;

// The selection the options ask for, made as a user makes it in the window: the country first, then the
// level buttons, the filters' texts and the change type.
void ApplySelection(RunnerSelection& selection, const RunnerOptions& options) {
  if (const auto& country = options.Text(quorvia::query::FilterId::country))
    selection.ChooseCountry(*country);
  for (const auto& filter : kFilters) {
    if (const auto& level = options.Level(filter.id)) selection.ChooseLevel(filter, *level - 1);
  }
  for (const auto& filter : kFilters) {
    const auto& text = options.Text(filter.id);
    if (text && filter.kind != FilterKind::country) selection.SetText(filter, *text);
  }
  if (options.changeType) selection.ChooseChangeType(*options.changeType);
}

std::string Lines(const QString& text) {
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return lines.toStdString();
}

// Every box's list, in the window's order of boxes.
void PrintLists(const RunnerSelection& selection) {
  for (const auto* filter : quorvia::query::InBoxOrder()) {
    std::cout << "Combo" << filter->boxNumber << ":\n";
    for (const auto& entry : selection.Entries(*filter)) std::cout << "  " << entry << "\n";
  }
}

// The window drawn as a display would show it, with the fonts of this machine, showing the selection and
// the status label's text.
bool SaveScreenshot(const RunnerOptions& options, quorvia::ui::ModalHost& modals,
                    quorvia::workbook::SpreadsheetSystem& office, const quorvia::query::Selection& selection,
                    const std::string& statusText) {
  const std::string& path = *options.screenshot;
  Form1 form(options.folder, modals, office);
  if (!form.Form_Load()) return false;
  form.ShowSelection(selection, Q(statusText));
  form.show();
  if (form.grab().save(Q(path), "PNG")) return true;
  std::cerr << "Cannot save the screenshot " << path << "\n";
  return false;
}

// The files a batch wrote besides its copies, one path a line.
void PrintBatchFiles(const quorvia::batch_summary::BatchFiles& files) {
  const char* kind = files.partial ? "Partial summary" : "Summary";
  if (!files.workbook.empty()) std::cout << kind << ": " << files.workbook << "\n";
  if (!files.csv.empty()) std::cout << kind << " CSV: " << files.csv << "\n";
  if (!files.pdf.empty()) std::cout << kind << " PDF: " << files.pdf << "\n";
  for (const auto& pdf : files.copyPdfs) std::cout << "Copy PDF: " << pdf << "\n";
  for (const auto& problem : files.problems) std::cerr << problem << "\n";
}

// The files this program brings along.
quorvia::program_folder::BundledFiles Bundled(const char* program) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path programs = fs::read_symlink("/proc/self/exe", error).parent_path();
  return quorvia::program_folder::BundledFilesBeside(error ? fs::path(program).parent_path() : programs);
}

// Writes the report template into a folder (or the folder of a file in it), never over a file.
int MakeTemplate(const char* program, const std::string& argument) {
  const auto folder =
      quorvia::program_folder::NormalFolder(quorvia::program_folder::FolderOfArgument(argument));
  try {
    quorvia::program_folder::WriteReportTemplate(Bundled(program), folder);
  } catch (const quorvia::program_folder::FolderError& failure) {
    std::cerr << failure.what() << "\n";
    return 1;
  }
  std::cout << "Report template written: " << (folder / quorvia::vocabulary::kReportFileName).string()
            << "\n";
  return 0;
}

// Writes a demo folder with the files this program brings along.
int MakeDemoFolder(const char* program, const std::string& folder) {
  namespace fs = std::filesystem;
  try {
    quorvia::program_folder::MakeDemoFolder(Bundled(program), folder);
  } catch (const quorvia::program_folder::FolderError& failure) {
    std::cerr << failure.what() << "\n";
    return 1;
  }
  std::cout << "Demo folder written: " << fs::absolute(folder).string() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread starts, so that every thread leaves SIGINT and SIGTERM to the event loop.
  quorvia::app::StopSignals::Block();
  RunnerOptions options;
  try {
    options = quorvia::app::ParseRunnerOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& error) {
    std::cerr << error.what() << "\n\n" << quorvia::app::RunnerUsage();
    return 2;
  }
  if (options.help) {
    std::cout << quorvia::app::RunnerUsage();
    return 0;
  }
  if (options.makeDemo) return MakeDemoFolder(argv[0], *options.makeDemo);
  if (options.makeTemplate) return MakeTemplate(argv[0], *options.makeTemplate);
  options.folder = quorvia::program_folder::FolderOfArgument(options.folder).string();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setApplicationName(quorvia::ui::kApplicationTitle);

  quorvia::app::ScriptedModalHost modals(std::nullopt, Q(options.prefix), options.convert);
  const auto say = [&modals](const QString& text) { modals.ShowMessage(nullptr, text); };
  auto officeOptions = quorvia::workbook::office::OfficeOptions::Default();
  officeOptions.reportFolder = options.folder;
  quorvia::workbook::office::LibreOfficeSystem office(officeOptions);
  quorvia::run_control::RunController controller(options.folder, office);
  controller.SetStatusEcho([](const std::string& text) { std::cerr << text << std::endl; });
  QObject::connect(&controller, &quorvia::run_control::RunController::Ended,
                   [&say](const quorvia::run_control::RunEnd& end) {
                     if (end.message) say(*end.message);
                   });
  // SIGINT or SIGTERM stops the run as the window's Cancel does: an update that is reading its figures
  // stops at once with nothing changed, a batch's item in hand is finished, and the runs not started yet
  // are not started. A second one ends our office under the item in hand, whose
  // refresh then fails and is undone (FILTERED put back), so the run ends at once with the database and
  // the report in agreement; the office's lock file goes with the office when the program ends.
  quorvia::app::StopSignals stops([&controller] { controller.Cancel(); }, [&office] { office.EndAtOnce(); });
  const auto opened = controller.Open([&modals](const std::string& databasePath) {
    return quorvia::app::OfferAccessConversion(nullptr, databasePath, modals);
  });
  if (opened.message) say(*opened.message);
  if (!opened.goOn) return 1;
  RunnerSelection selection(controller, opened.countryEntries, say);
  ApplySelection(selection, options);
  stops.ReadPending();
  if (options.update && stops.First() == 0) {
    controller.Update(selection.Selection());
    controller.WaitForRun();
  }
  stops.ReadPending();
  if (options.batchUnit && stops.First() == 0) {
    const auto request = quorvia::app::RunnerBatchRequest(
        {*options.batchUnit, options.batchItems, options.allItems, options.prefix}, selection, say);
    if (!request) {
      controller.CountBatchNotStarted();
    } else if (controller.Batch(*request, {.summary = options.summary, .pdfCopies = options.pdfCopies})) {
      controller.WaitForRun();
    }
  }
  if (options.pdf) {
    controller.SaveReportAsPdf(*options.pdf);
    controller.WaitForRun();
  }

  std::cout << "Label3: " << selection.DataStatusCaption() << "\n";
  std::cout << "Label1: " << Lines(Q(controller.LabelText())) << "\n";
  if (const auto& files = controller.LastBatchFiles()) PrintBatchFiles(*files);
  if (options.pdf && std::filesystem::exists(*options.pdf)) {
    std::cout << "PDF: " << std::filesystem::absolute(*options.pdf).string() << "\n";
  }
  if (options.printLists) PrintLists(selection);
  if (options.screenshot &&
      !SaveScreenshot(options, modals, office, selection.Selection(), controller.LabelText())) {
    return 1;
  }
  if (stops.First() != 0) return stops.ExitStatus();
  // 0 only when everything asked for was done: no message, and every update and batch item complete.
  return modals.MessageShown() || controller.RunsNotDone() > 0 ? 1 : 0;
}
