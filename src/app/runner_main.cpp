// quorvia-run: the main window without a display, driven from the command line for scripts.
#include <QApplication>
#include <QListWidget>
#include <filesystem>
#include <iostream>

#include "app/form1.h"
#include "app/qt_text.h"
#include "app/runner_options.h"
#include "app/scripted_modal_host.h"
#include "app/stop_signals.h"
#include "program_folder/folder_files.h"
#include "vocabulary/file_names.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/office/process/office_options.h"

namespace {

using quorvia::app::Form1;
using quorvia::app::RunnerOptions;

using quorvia::app::Q;

// Sets a box as a user would: choosing the entry when the list has it, typing the text otherwise.
void Choose(QComboBox* box, const std::string& text) {
  const int index = box->findText(Q(text));
  if (index >= 0) {
    box->setCurrentIndex(index);
    emit box->activated(index);
  } else {
    box->setEditText(Q(text));
  }
}

void ApplySelection(Form1& form, const RunnerOptions& options) {
  if (options.country) Choose(form.Combo1(), *options.country);
  if (options.nutsLevel) form.Option2(*options.nutsLevel - 1)->click();
  if (options.elevationLevel) form.Option1(*options.elevationLevel - 1)->click();
  if (options.nuts) Choose(form.Combo2(), *options.nuts);
  if (options.elevation) Choose(form.Combo3(), *options.elevation);
  if (options.watershed) Choose(form.Combo4(), *options.watershed);
  if (options.shoreline) Choose(form.Combo5(), *options.shoreline);
  if (options.landCover) Choose(form.Combo6(), *options.landCover);
  if (options.changeType) form.Option3(*options.changeType - 1)->click();
}

std::string Lines(const QString& text) {
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return lines.toStdString();
}

void PrintLists(const Form1& form) {
  const std::array<QComboBox*, 6> boxes = {form.Combo1(), form.Combo2(), form.Combo3(),
                                           form.Combo4(), form.Combo5(), form.Combo6()};
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    std::cout << "Combo" << i + 1 << ":\n";
    for (int j = 0; j < boxes[i]->count(); ++j)
      std::cout << "  " << boxes[i]->itemText(j).toStdString() << "\n";
  }
}

// The window drawn as a display would show it, with the fonts of this machine.
bool SaveScreenshot(Form1& form, const std::string& path) {
  form.show();
  if (form.grab().save(Q(path), "PNG")) return true;
  std::cerr << "Cannot save the screenshot " << path << "\n";
  return false;
}

std::optional<quorvia::app::ScriptedModalHost::BatchAnswer> BatchAnswerOf(const RunnerOptions& options) {
  if (!options.batchUnit) return std::nullopt;
  quorvia::app::ScriptedModalHost::BatchAnswer answer{Q(*options.batchUnit), {}, options.allItems};
  for (const auto& item : options.batchItems) answer.items << Q(item);
  return answer;
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

  quorvia::app::ScriptedModalHost modals(BatchAnswerOf(options), Q(options.prefix), options.convert);
  auto officeOptions = quorvia::workbook::office::OfficeOptions::Default();
  officeOptions.reportFolder = options.folder;
  quorvia::workbook::office::LibreOfficeSystem office(officeOptions);
  Form1 form(options.folder, modals, office);
  form.SetStatusEcho([](const std::string& text) { std::cerr << text << std::endl; });
  // SIGINT or SIGTERM stops the run as the window's Cancel does: an update that is reading its figures
  // stops at once with nothing changed, a batch's item in hand is finished, and the runs not started yet
  // are not started. A second one ends our office under the item in hand, whose
  // refresh then fails and is undone (FILTERED put back), so the run ends at once with the database and
  // the report in agreement; the office's lock file goes with the office when the program ends.
  quorvia::app::StopSignals stops([&form] { form.CancelRun(); }, [&office] { office.EndAtOnce(); });
  if (!form.Form_Load()) return 1;
  ApplySelection(form, options);
  stops.ReadPending();
  if (options.update && stops.First() == 0) {
    form.Command1()->click();
    form.WaitForRun();
  }
  stops.ReadPending();
  if (options.batchUnit && stops.First() == 0) {
    form.SetBatchFileOptions({.summary = options.summary, .pdfCopies = options.pdfCopies});
    form.Command2_Click();
    form.WaitForRun();
  }
  if (options.pdf) {
    form.SaveReportAsPdf(*options.pdf);
    form.WaitForRun();
  }

  std::cout << "Label3: " << form.Label3()->text().toStdString() << "\n";
  std::cout << "Label1: " << Lines(form.Label1()->text()) << "\n";
  if (const auto& files = form.LastBatchFiles()) PrintBatchFiles(*files);
  if (options.pdf && std::filesystem::exists(*options.pdf)) {
    std::cout << "PDF: " << std::filesystem::absolute(*options.pdf).string() << "\n";
  }
  if (options.printLists) PrintLists(form);
  if (options.screenshot && !SaveScreenshot(form, *options.screenshot)) return 1;
  if (stops.First() != 0) return stops.ExitStatus();
  // 0 only when everything asked for was done: no message, and every update and batch item complete.
  return modals.MessageShown() || form.RunsNotDone() > 0 ? 1 : 0;
}
