// Which folder a window works on, driven through the modal interface as a user would answer.
#include "program_folder/folder_choice.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QFileDialog>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "program_folder/folder_chooser.h"
#include "program_folder/start_dialog.h"
#include "recording_modal_host.h"

namespace quorvia::program_folder {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// What the user does in each dialog that is shown, in order.
using DialogStep = std::function<void(QDialog&)>;

DialogStep Press(QPushButton* (StartDialog::*button)() const) {
  return [button](QDialog& dialog) { (dynamic_cast<StartDialog&>(dialog).*button)()->click(); };
}

DialogStep PickFolder(const fs::path& folder) {
  return [folder](QDialog& dialog) {
    auto& chooser = dynamic_cast<QFileDialog&>(dialog);
    chooser.setDirectory(QString::fromStdString(folder.parent_path().string()));
    chooser.selectFile(QString::fromStdString(folder.string()));
    // QFileDialog checks the chosen name in accept() as when the user presses Open.
    static_cast<QDialog&>(chooser).accept();
  };
}

DialogStep CancelChooser() {
  return [](QDialog& dialog) { dynamic_cast<QFileDialog&>(dialog).reject(); };
}

class FolderChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.isValid());
    root_ = temp_.path().toStdString();
    programs_ = root_ / "usr" / "bin";
    fs::create_directories(programs_);
    Write(root_ / "usr/share/quorvia/MOSA_QUERY.xls", "the template");
    Write(root_ / "usr/share/quorvia/demo/MOSA_DB.mdb", "the demo database");
    home_ = root_ / "home";
    fs::create_directories(home_);
    oldHome_ = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home_.string()));
    memory_ = std::make_unique<FolderMemory>(QString::fromStdString((root_ / "settings.conf").string()));
    modals_.driveDialog = [this](QDialog& dialog) {
      ASSERT_LT(nextStep_, steps_.size()) << "a dialog nobody expected: " << dialog.metaObject()->className();
      shown_.push_back(dialog.metaObject()->className());
      if (auto* start = dynamic_cast<StartDialog*>(&dialog)) startTexts_.push_back(start->Text()->text());
      steps_[nextStep_++](dialog);
    };
  }
  void TearDown() override { qputenv("HOME", oldHome_); }

  fs::path FolderWithDatabase(const std::string& name, const std::string& file = "MOSA_DB.mdb") {
    Write(root_ / name / file, "a database");
    return root_ / name;
  }
  std::optional<fs::path> Choose(std::optional<fs::path> argument = std::nullopt) {
    return ChooseProgramFolder(nullptr, {argument, programs_, BundledFilesBeside(programs_)}, *memory_,
                               modals_);
  }

  QTemporaryDir temp_;
  fs::path root_, programs_, home_;
  QByteArray oldHome_;
  std::unique_ptr<FolderMemory> memory_;
  app::RecordingModalHost modals_;
  std::vector<DialogStep> steps_;
  std::size_t nextStep_ = 0;
  std::vector<std::string> shown_;
  QStringList startTexts_;
};

TEST_F(FolderChoiceTest, TheFirstRuleThatGivesAFolderWins) {
  const fs::path argument = FolderWithDatabase("argument");
  const fs::path remembered = FolderWithDatabase("remembered");
  memory_->Remember(remembered);
  Write(programs_ / "MOSA_DB.mdb", "copied next to the program");

  // The command line first, made absolute, even over a program folder that holds a database.
  const fs::path relative = fs::relative(argument, fs::current_path());
  EXPECT_EQ(Choose(relative), argument);
  // One spelling for one folder: the report office's pipe is named after it.
  EXPECT_EQ(Choose(argument / ""), argument);
  // Then the program's own folder: a program copied next to the data works as it always did.
  EXPECT_EQ(Choose(), programs_);
  // Then the folder opened last.
  fs::remove(programs_ / "MOSA_DB.mdb");
  EXPECT_EQ(Choose(), remembered);
  // A connection file counts as a database too.
  const fs::path server = FolderWithDatabase("server", "MOSA_DB.pgconn");
  EXPECT_EQ(Choose(server), server);
  // A file of the folder stands for it, as a file dropped on the menu entry gives.
  EXPECT_EQ(Choose(argument / "MOSA_DB.mdb"), argument);
  EXPECT_EQ(Choose(server / "MOSA_DB.pgconn"), server);
  Write(argument / "MOSA_QUERY.xls", "a report");
  EXPECT_EQ(Choose(fs::relative(argument / "MOSA_QUERY.xls", fs::current_path())), argument);
  EXPECT_TRUE(shown_.empty());
  EXPECT_TRUE(modals_.messages.isEmpty());
}

TEST_F(FolderChoiceTest, TheFolderOpenedLastIsRememberedInTheSettingsFileOnly) {
  const fs::path folder = FolderWithDatabase("landcover");
  memory_->Remember(folder);
  const FolderMemory again(QString::fromStdString((root_ / "settings.conf").string()));
  EXPECT_EQ(again.LastFolder(), folder);
  EXPECT_FALSE(FolderMemory(QString::fromStdString((root_ / "other.conf").string())).LastFolder());
}

TEST_F(FolderChoiceTest, WithNoFolderTheStartDialogOpensTheFolderTheUserPicks) {
  const fs::path empty = root_ / "empty";
  fs::create_directories(empty);
  const fs::path landcover = FolderWithDatabase("landcover");
  // Open folder…, cancel; Open folder…, a folder without a database (said so, chooser again), the right one.
  steps_ = {Press(&StartDialog::OpenFolderButton), CancelChooser(), Press(&StartDialog::OpenFolderButton),
            PickFolder(empty), PickFolder(landcover)};
  EXPECT_EQ(Choose(), landcover);
  EXPECT_EQ(nextStep_, steps_.size());
  ASSERT_EQ(modals_.messages.size(), 1);
  EXPECT_TRUE(modals_.messages[0].contains(QString::fromStdString(empty.string())))
      << modals_.messages[0].toStdString();
  EXPECT_TRUE(modals_.messages[0].contains("holds no MOSA_DB.mdb"));
  EXPECT_TRUE(fs::is_empty(empty));
}

TEST_F(FolderChoiceTest, AnotherFolderCanBeChosenOverTheOneOpenedLast) {
  memory_->Remember(FolderWithDatabase("remembered"));
  const fs::path other = FolderWithDatabase("other");
  steps_ = {Press(&StartDialog::OpenFolderButton), PickFolder(other)};
  StartRequest request{std::nullopt, programs_, BundledFilesBeside(programs_)};
  request.askFirst = true;
  EXPECT_EQ(ChooseProgramFolder(nullptr, request, *memory_, modals_), other);
  EXPECT_EQ(nextStep_, steps_.size());
}

TEST_F(FolderChoiceTest, QuitEndsWithoutAFolderAndWritesNothing) {
  steps_ = {Press(&StartDialog::QuitButton)};
  EXPECT_EQ(Choose(), std::nullopt);
  EXPECT_TRUE(fs::is_empty(home_));
}

TEST_F(FolderChoiceTest, AVanishedFolderIsNamedInTheStartDialog) {
  const fs::path gone = FolderWithDatabase("gone");
  memory_->Remember(gone);
  fs::remove_all(gone);
  steps_ = {Press(&StartDialog::QuitButton)};
  EXPECT_EQ(Choose(), std::nullopt);
  ASSERT_EQ(startTexts_.size(), 1);
  EXPECT_TRUE(startTexts_[0].contains(QString::fromStdString(gone.string()))) << startTexts_[0].toStdString();
}

// The folder is still there, but its database was moved away (or a folder took its name): the folder
// opened last is not opened again, and the start dialog says why.
TEST_F(FolderChoiceTest, AFolderOpenedLastThatNoLongerHoldsADatabaseIsNotOpened) {
  const fs::path emptied = FolderWithDatabase("emptied");
  Write(emptied / "MOSA_QUERY.xls", "the report");
  memory_->Remember(emptied);
  fs::remove(emptied / "MOSA_DB.mdb");
  fs::create_directory(emptied / "MOSA_DB.mdb");
  steps_ = {Press(&StartDialog::QuitButton)};
  EXPECT_EQ(Choose(), std::nullopt);
  ASSERT_EQ(startTexts_.size(), 1);
  EXPECT_TRUE(startTexts_[0].contains(QString::fromStdString(emptied.string())))
      << startTexts_[0].toStdString();
  EXPECT_TRUE(startTexts_[0].contains("holds no MOSA_DB.mdb")) << startTexts_[0].toStdString();
}

TEST_F(FolderChoiceTest, AFolderArgumentWithoutADatabaseIsSaidSoBeforeTheStartDialog) {
  steps_ = {Press(&StartDialog::QuitButton)};
  EXPECT_EQ(Choose(root_ / "nowhere"), std::nullopt);
  ASSERT_EQ(modals_.messages.size(), 1);
  EXPECT_TRUE(modals_.messages[0].contains("does not exist")) << modals_.messages[0].toStdString();
  EXPECT_EQ(shown_.size(), 1u);
}

TEST_F(FolderChoiceTest, TheDemoButtonWritesANewFolderUnderTheHomeFolder) {
  steps_ = {Press(&StartDialog::MakeDemoButton)};
  modals_.inputAnswer = std::nullopt;  // the default answer is recorded, then cancelled
  steps_.push_back(Press(&StartDialog::MakeDemoButton));
  steps_.push_back(Press(&StartDialog::QuitButton));
  EXPECT_EQ(Choose(), std::nullopt);
  ASSERT_FALSE(modals_.inputBoxes.isEmpty());
  EXPECT_TRUE(modals_.inputBoxes[0].endsWith("|" + QString::fromStdString((home_ / "Quorvia demo").string())))
      << modals_.inputBoxes[0].toStdString();

  nextStep_ = 0;
  steps_ = {Press(&StartDialog::MakeDemoButton)};
  modals_.inputAnswer = QStringLiteral("~/Quorvia demo");
  const auto made = Choose();
  EXPECT_EQ(made, home_ / "Quorvia demo");
  EXPECT_EQ(Read(home_ / "Quorvia demo/MOSA_DB.mdb"), "the demo database");
  EXPECT_EQ(Read(home_ / "Quorvia demo/MOSA_QUERY.xls"), "the template");
  // Now taken, the next proposal is numbered.
  EXPECT_EQ(ProposedDemoFolder(home_), home_ / "Quorvia demo 2");
}

TEST_F(FolderChoiceTest, ADemoIsNeverWrittenOverAFolderThatHoldsData) {
  const fs::path landcover = FolderWithDatabase("landcover");
  const fs::path withReport = root_ / "with report";
  Write(withReport / "MOSA_QUERY.xls", "the analyst's report");
  for (const fs::path& folder : {landcover, withReport}) {
    EXPECT_THROW(MakeDemoFolder(BundledFilesBeside(programs_), folder), FolderError) << folder;
  }
  EXPECT_EQ(Read(landcover / "MOSA_DB.mdb"), "a database");
  EXPECT_FALSE(fs::exists(landcover / "MOSA_QUERY.xls"));
  EXPECT_EQ(Read(withReport / "MOSA_QUERY.xls"), "the analyst's report");
  EXPECT_FALSE(fs::exists(withReport / "MOSA_DB.mdb"));
}

TEST_F(FolderChoiceTest, MissingBundledFilesAreNamed) {
  fs::remove(root_ / "usr/share/quorvia/demo/MOSA_DB.mdb");
  try {
    MakeDemoFolder(BundledFilesBeside(programs_), root_ / "demo");
    FAIL() << "no error";
  } catch (const FolderError& error) {
    EXPECT_NE(std::string(error.what()).find("share/quorvia/demo/MOSA_DB.mdb"), std::string::npos)
        << error.what();
  }
  EXPECT_FALSE(fs::exists(root_ / "demo" / "MOSA_QUERY.xls"));
}

TEST_F(FolderChoiceTest, AFolderWithoutTheReportIsOfferedTheTemplateAndNothingIsReplaced) {
  const fs::path landcover = FolderWithDatabase("landcover");
  const BundledFiles bundled = BundledFilesBeside(programs_);

  modals_.yesAnswer = false;
  OfferReportTemplate(nullptr, landcover, bundled, modals_);
  ASSERT_EQ(modals_.questions.size(), 1);
  EXPECT_TRUE(modals_.questions[0].contains("MOSA_QUERY.xls"));
  EXPECT_FALSE(fs::exists(landcover / "MOSA_QUERY.xls"));

  modals_.yesAnswer = true;
  OfferReportTemplate(nullptr, landcover, bundled, modals_);
  EXPECT_EQ(Read(landcover / "MOSA_QUERY.xls"), "the template");

  // With the report there, nothing is asked and the file stays the analyst's.
  Write(landcover / "MOSA_QUERY.xls", "the analyst's report");
  OfferReportTemplate(nullptr, landcover, bundled, modals_);
  EXPECT_EQ(modals_.questions.size(), 2);
  EXPECT_EQ(Read(landcover / "MOSA_QUERY.xls"), "the analyst's report");
  // Written directly, an existing file (even a dangling link) is refused, not replaced.
  EXPECT_THROW(WriteReportTemplate(bundled, landcover), FolderError);
  EXPECT_EQ(Read(landcover / "MOSA_QUERY.xls"), "the analyst's report");
  const fs::path linked = FolderWithDatabase("linked");
  fs::create_symlink(root_ / "missing.xls", linked / "MOSA_QUERY.xls");
  EXPECT_THROW(WriteReportTemplate(bundled, linked), FolderError);
  EXPECT_FALSE(fs::exists(root_ / "missing.xls"));
  // No half-written file is left behind by either.
  for (const auto& entry : fs::directory_iterator(landcover)) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
  }
}

// The window's action writes the template without asking and says where; a second time it is refused.
TEST_F(FolderChoiceTest, TheWindowsActionWritesTheTemplateOnceAndSaysSo) {
  const fs::path landcover = FolderWithDatabase("landcover");
  WriteReportTemplateFromWindow(nullptr, landcover, BundledFilesBeside(programs_), modals_);
  EXPECT_EQ(Read(landcover / "MOSA_QUERY.xls"), "the template");
  ASSERT_EQ(modals_.messages.size(), 1);
  EXPECT_TRUE(modals_.messages[0].contains(QString::fromStdString((landcover / "MOSA_QUERY.xls").string())));
  Write(landcover / "MOSA_QUERY.xls", "the analyst's report");
  WriteReportTemplateFromWindow(nullptr, landcover, BundledFilesBeside(programs_), modals_);
  EXPECT_EQ(Read(landcover / "MOSA_QUERY.xls"), "the analyst's report");
  ASSERT_EQ(modals_.messages.size(), 2);
  EXPECT_TRUE(modals_.messages[1].contains("does not write over it")) << modals_.messages[1].toStdString();
  EXPECT_TRUE(modals_.questions.isEmpty());
}

TEST_F(FolderChoiceTest, TheChooserMarksFoldersThatHoldADatabase) {
  const fs::path landcover = FolderWithDatabase("landcover");
  const fs::path server = FolderWithDatabase("server", "MOSA_DB.pgconn");
  const fs::path plain = root_ / "plain";
  fs::create_directories(plain);
  const DatabaseFolderIcons icons;
  const auto type = [&](const fs::path& folder) {
    return icons.type(QFileInfo(QString::fromStdString(folder.string()))).toStdString();
  };
  EXPECT_EQ(type(landcover), "Quorvia folder (MOSA_DB.mdb)");
  EXPECT_EQ(type(server), "Quorvia folder (MOSA_DB.pgconn)");
  EXPECT_EQ(type(plain).find("Quorvia"), std::string::npos);
}

}  // namespace
}  // namespace quorvia::program_folder
