#pragma once

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

#include "program_folder/folder_files.h"

class QSettings;
class QWidget;

namespace quorvia::ui {
class ModalHost;
}

namespace quorvia::program_folder {

// The one thing Quorvia remembers: the folder it last opened successfully, per user in the usual
// settings place (~/.config/Quorvia/Quorvia.conf). A settings file of its own can be given instead.
class FolderMemory {
 public:
  FolderMemory();
  explicit FolderMemory(const QString& settingsFile);
  ~FolderMemory();
  FolderMemory(const FolderMemory&) = delete;
  FolderMemory& operator=(const FolderMemory&) = delete;

  std::optional<std::filesystem::path> LastFolder() const;
  void Remember(const std::filesystem::path& folder);

 private:
  std::unique_ptr<QSettings> settings_;
};

// Where a window was started from.
struct StartRequest {
  std::optional<std::filesystem::path> argument;  // the folder on the command line
  std::filesystem::path programsFolder;           // the folder of the running executable
  BundledFiles bundled;                           // for a demo folder and the report template
  bool askFirst = false;  // the start dialog even when the program's or the last folder would do
};

// The program folder a window works on, by the first rule that gives one:
//   1. the folder on the command line;
//   2. the folder of the executable, when it holds a database (a program copied next to the data);
//   3. the folder opened last, when it still holds a database;
//   4. the start dialog: the user opens a folder, makes a demo folder, or quits.
// With `askFirst` (the menu's "Open another folder…"), the start dialog comes right after the first rule.
// A folder named on the command line that holds no database is said so and the start dialog follows.
// nullopt when the user quits. The folder returned is absolute; nothing is remembered here.
std::optional<std::filesystem::path> ChooseProgramFolder(QWidget* parent, const StartRequest& request,
                                                         const FolderMemory& memory, ui::ModalHost& modals);

// The start dialog alone, until the user has a folder or quits. `note` is shown above its text.
std::optional<std::filesystem::path> AskForProgramFolder(QWidget* parent, const QString& note,
                                                         const BundledFiles& bundled, ui::ModalHost& modals);

// A folder with a database but without MOSA_QUERY.xls: asks whether to write the report template there and
// writes it on Yes (never over a file). Nothing is asked otherwise. A failure is shown; start-up goes on.
void OfferReportTemplate(QWidget* parent, const std::filesystem::path& folder, const BundledFiles& bundled,
                         ui::ModalHost& modals);

// The window's "Write the report template" action: writes the template into the folder as MOSA_QUERY.xls
// (never over a file) and says what was done, or why nothing was.
void WriteReportTemplateFromWindow(QWidget* parent, const std::filesystem::path& folder,
                                   const BundledFiles& bundled, ui::ModalHost& modals);

// The folder the demo button proposes: "~/Quorvia demo", or "~/Quorvia demo 2" and so on when taken.
std::filesystem::path ProposedDemoFolder(const std::filesystem::path& home);

// What a window shows about the folder it works on (its tooltip).
QString ProgramFolderNote(const std::filesystem::path& folder);

}  // namespace quorvia::program_folder
