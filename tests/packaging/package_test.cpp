// The Debian package: what it holds, that it lints clean, and that its programs work unpacked anywhere.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "office_test_support.h"
#include "report/virtual_display.h"
#include "run_command.h"
#include "sqlite_fixture.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::packaging {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;

using quorvia::testing::RunCommand;
using quorvia::testing::ShellQuote;

const fs::path kPackage = QUORVIA_PACKAGE_FILE;

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every file under a folder with its size, to tell whether anything was written there.
std::string Listing(const fs::path& folder) {
  std::string listing;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    listing +=
        entry.path().string() + (entry.is_regular_file() ? " " + std::to_string(entry.file_size()) : "");
    listing += "\n";
  }
  return listing;
}

class PackageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::make_unique<office::testing::TempFolder>("quorvia-package");
    const auto unpacked =
        RunCommand("dpkg-deb -x " + ShellQuote(kPackage) + " " + ShellQuote(Unpacked()) + " 2>&1");
    ASSERT_EQ(unpacked.status, 0) << unpacked.output;
    system_ = std::make_unique<office::LibreOfficeSystem>(
        office::testing::PrivateOfficeOptions(root_->Path(), "probe"));
  }
  static void TearDownTestSuite() {
    system_.reset();
    root_.reset();
  }
  static fs::path Unpacked() { return root_->Path() / "root"; }
  static fs::path Program(const std::string& name) { return Unpacked() / "usr/bin" / name; }
  // The settings and office profiles of the unpacked programs stay under the test's folder.
  static std::string Environment() {
    return "XDG_CONFIG_HOME=" + ShellQuote((root_->Path() / "config").string()) +
           " XDG_CACHE_HOME=" + ShellQuote((root_->Path() / "cache").string()) + " ";
  }
  static std::string Run(const std::string& program, const std::string& arguments) {
    return Environment() + ShellQuote(Program(program).string()) + " " + arguments + " 2>&1";
  }
  static double PivotTotal(const fs::path& workbook) {
    const auto probeOffice = system_->ConnectOrStartOffice();
    office::testing::WorkbookProbe probe(*probeOffice);
    return probe.PivotOutput(probe.Load(workbook), "Report").at("Total Result");
  }
  // The total area that FILTERED reports, and the same computed from the country's data.
  static void ExpectFilteredArea(const fs::path& folder, const std::string& where) {
    const std::string database = (folder / "MOSA_DB.mdb").string();
    const std::string view =
        testing::QueryText(database, "SELECT sql FROM sqlite_master WHERE name = 'FILTERED'");
    std::smatch table;
    ASSERT_TRUE(std::regex_search(view, table, std::regex("DATA_[A-Z][A-Z]"))) << view;
    const double expected = testing::QueryNumber(
        database, "SELECT sum(AREAHA) FROM " + table.str() + (where.empty() ? "" : " WHERE " + where));
    EXPECT_GT(expected, 0);
    EXPECT_NEAR(testing::QueryNumber(database, "SELECT sum(AREA) FROM FILTERED"), expected, 0.005) << view;
    EXPECT_NEAR(PivotTotal(folder / "MOSA_QUERY.xls"), expected, 0.005);
  }

  static std::unique_ptr<office::testing::TempFolder> root_;
  static std::unique_ptr<office::LibreOfficeSystem> system_;
};

std::unique_ptr<office::testing::TempFolder> PackageTest::root_;
std::unique_ptr<office::LibreOfficeSystem> PackageTest::system_;

TEST_F(PackageTest, HoldsTheProgramsAndEverythingADesktopNeeds) {
  const auto contents = RunCommand("dpkg-deb -c " + ShellQuote(kPackage));
  ASSERT_EQ(contents.status, 0);
  for (const char* path :
       {"./usr/bin/quorvia", "./usr/bin/quorvia-run", "./usr/bin/quorvia-report", "./usr/bin/quorvia-import",
        "./usr/share/quorvia/MOSA_QUERY.xls", "./usr/share/quorvia/demo/MOSA_DB.mdb",
        "./usr/share/applications/org.quorvia.Quorvia.desktop",
        "./usr/share/applications/org.quorvia.QuorviaReport.desktop",
        "./usr/share/icons/hicolor/scalable/apps/org.quorvia.Quorvia.svg",
        "./usr/share/icons/hicolor/48x48/apps/org.quorvia.Quorvia.png",
        "./usr/share/icons/hicolor/256x256/apps/org.quorvia.Quorvia.png",
        "./usr/share/metainfo/org.quorvia.Quorvia.metainfo.xml", "./usr/share/man/man1/quorvia.1.gz",
        "./usr/share/man/man1/quorvia-run.1.gz", "./usr/share/man/man1/quorvia-report.1.gz",
        "./usr/share/man/man1/quorvia-import.1.gz", "./usr/share/doc/quorvia/copyright"}) {
    EXPECT_NE(contents.output.find(std::string(path) + "\n"), std::string::npos) << path;
  }
  // Everything under /usr, where the package system keeps track of it.
  std::istringstream lines(contents.output);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_NE(line.find(" ./usr/"), std::string::npos) << line;
  }
  const auto depends = RunCommand("dpkg-deb -f " + ShellQuote(kPackage) + " Depends");
  for (const char* package :
       {"libreoffice-calc", "ure", "libqt6widgets6", "libsqlite3-0", "libmdb3", "libpq5"}) {
    EXPECT_NE(depends.output.find(package), std::string::npos) << package << " in " << depends.output;
  }
}

TEST_F(PackageTest, LintsWithoutErrors) {
  const auto lintian = RunCommand("lintian --fail-on error " + ShellQuote(kPackage) + " 2>&1");
  EXPECT_EQ(lintian.status, 0) << lintian.output;
  EXPECT_EQ(lintian.output.find("E: "), std::string::npos) << lintian.output;
  const fs::path applications = Unpacked() / "usr/share/applications";
  for (const char* entry : {"org.quorvia.Quorvia.desktop", "org.quorvia.QuorviaReport.desktop"}) {
    const auto validated =
        RunCommand("desktop-file-validate " + ShellQuote((applications / entry).string()) + " 2>&1");
    EXPECT_EQ(validated.status, 0) << entry << ": " << validated.output;
    EXPECT_EQ(validated.output.find("error"), std::string::npos) << validated.output;
  }
  const auto metainfo = RunCommand(
      "appstreamcli validate --no-net " +
      ShellQuote((Unpacked() / "usr/share/metainfo/org.quorvia.Quorvia.metainfo.xml").string()) + " 2>&1");
  EXPECT_EQ(metainfo.status, 0) << metainfo.output;
}

TEST_F(PackageTest, TheUnpackedRunnerMakesADemoFolderAndUpdatesIt) {
  const std::string installed = Listing(Unpacked());
  const fs::path demo = root_->Path() / "Runner demo";
  const auto made = RunCommand(Run("quorvia-run", "--make-demo " + ShellQuote(demo.string())));
  ASSERT_EQ(made.status, 0) << made.output;
  EXPECT_EQ(Read(demo / "MOSA_DB.mdb"), Read(Unpacked() / "usr/share/quorvia/demo/MOSA_DB.mdb"));
  EXPECT_EQ(Read(demo / "MOSA_QUERY.xls"), Read(Unpacked() / "usr/share/quorvia/MOSA_QUERY.xls"));
  // A second time the folder holds data: refused, nothing replaced.
  const auto again = RunCommand(Run("quorvia-run", "--make-demo " + ShellQuote(demo.string())));
  EXPECT_EQ(again.status, 1) << again.output;
  EXPECT_NE(again.output.find("already holds"), std::string::npos) << again.output;

  const std::string region =
      testing::QueryText((demo / "MOSA_DB.mdb").string(), "SELECT min(N2) FROM DATA_AT WHERE N2 <> ''");
  const auto update = RunCommand(Run("quorvia-run", "--folder " + ShellQuote(demo.string()) +
                                                        " --country 'AT Oesterreich' --nuts-level 2 --nuts " +
                                                        ShellQuote(region) + " --update"));
  ASSERT_EQ(update.status, 0) << update.output;
  EXPECT_NE(update.output.find("Excel Woorkbook updated successfully !"), std::string::npos) << update.output;
  ExpectFilteredArea(demo, "N2 = '" + region + "'");
  // Nothing was written next to the programs.
  EXPECT_EQ(Listing(Unpacked()), installed);
}

// The man page's EXIT STATUS section says "N also for \-\-help" and "N for a bad command line"; each
// installed program keeps that word without a display, printing its usage for --help and saying what is
// wrong with a bad option.
TEST_F(PackageTest, EveryCommandLineKeepsItsManPage) {
  const std::regex help(R"(([0-9]) also for \\-\\-help)"), bad(R"(([0-9]) for a bad command line)");
  for (const char* program : {"quorvia", "quorvia-run", "quorvia-report", "quorvia-import"}) {
    const auto page = RunCommand(
        "gzip -dc " +
        ShellQuote((Unpacked() / "usr/share/man/man1" / (std::string(program) + ".1.gz")).string()));
    const std::string section = page.output.substr(page.output.find(".SH EXIT STATUS"));
    std::smatch helpStatus, badStatus;
    ASSERT_TRUE(std::regex_search(section, helpStatus, help)) << program << ": " << section;
    ASSERT_TRUE(std::regex_search(section, badStatus, bad)) << program << ": " << section;
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    const auto usage = RunCommand(noDisplay + Run(program, "--help"));
    EXPECT_EQ(std::to_string(usage.status), helpStatus[1].str()) << program << ": " << usage.output;
    EXPECT_NE(usage.output.find("Usage: " + std::string(program)), std::string::npos) << usage.output;
    const auto wrong = RunCommand(noDisplay + Run(program, "--bogus"));
    EXPECT_EQ(std::to_string(wrong.status), badStatus[1].str()) << program << ": " << wrong.output;
    EXPECT_NE(wrong.output.find("--bogus"), std::string::npos) << wrong.output;
  }
}

// A file of the folder stands for the folder; the template is written back with the installed runner.
TEST_F(PackageTest, TheRunnerTakesAFileForItsFolderAndWritesAMissingTemplate) {
  const fs::path demo = root_->Path() / "File demo";
  ASSERT_EQ(RunCommand(Run("quorvia-run", "--make-demo " + ShellQuote(demo.string()))).status, 0);
  const auto lists =
      RunCommand(Run("quorvia-run", "--folder " + ShellQuote((demo / "MOSA_DB.mdb").string()) + " --lists"));
  EXPECT_EQ(lists.status, 0) << lists.output;
  EXPECT_NE(lists.output.find("AT Oesterreich"), std::string::npos) << lists.output;

  fs::remove(demo / "MOSA_QUERY.xls");
  const auto missing = RunCommand(Run("quorvia-run", "--folder " + ShellQuote(demo.string()) + " --update"));
  EXPECT_EQ(missing.status, 1) << missing.output;
  EXPECT_NE(missing.output.find("quorvia-run --make-template FOLDER"), std::string::npos) << missing.output;
  const auto written =
      RunCommand(Run("quorvia-run", "--make-template " + ShellQuote((demo / "MOSA_DB.mdb").string())));
  EXPECT_EQ(written.status, 0) << written.output;
  EXPECT_EQ(Read(demo / "MOSA_QUERY.xls"), Read(Unpacked() / "usr/share/quorvia/MOSA_QUERY.xls"));
  const auto again = RunCommand(Run("quorvia-run", "--make-template " + ShellQuote(demo.string())));
  EXPECT_EQ(again.status, 1) << "never over a file: " << again.output;
}

// The window itself, on a display of the test's own, opened on a folder given on its command line; the
// click on UPDATE QUERY is a real pointer click.
TEST_F(PackageTest, TheUnpackedWindowOpensTheFolderItIsGivenAndUpdatesIt) {
  const fs::path demo = root_->Path() / "Window demo";
  ASSERT_EQ(RunCommand(Run("quorvia-run", "--make-demo " + ShellQuote(demo.string()))).status, 0);
  const auto before = fs::last_write_time(demo / "MOSA_QUERY.xls");

  const report::testing::VirtualDisplay display;
  const std::string log = (root_->Path() / "window.log").string();
  const auto started = RunCommand("DISPLAY=" + display.Name() + " QT_QPA_PLATFORM=xcb " + Environment() +
                                  ShellQuote(Program("quorvia").string()) + " " + ShellQuote(demo.string()) +
                                  " >" + ShellQuote(log) + " 2>&1 & echo $!");
  const pid_t window = std::stoi(started.output);
  const auto found =
      RunCommand("DISPLAY=" + display.Name() +
                 " timeout 60 xdotool search --sync --onlyvisible --name 'Quorvia v.5' | head -1");
  ASSERT_FALSE(found.output.empty()) << Read(log);
  const std::string id = found.output.substr(0, found.output.find('\n'));
  // The taskbar ties the window to its menu entry by the class, and shows the program's icon.
  const auto properties = RunCommand("DISPLAY=" + display.Name() + " xprop -id " + id +
                                     " WM_CLASS _NET_WM_ICON 2>&1 | head -c 300");
  const std::string entry = Read(Unpacked() / "usr/share/applications/org.quorvia.Quorvia.desktop");
  const auto wmClass = entry.find("StartupWMClass=");
  ASSERT_NE(wmClass, std::string::npos) << entry;
  const std::string startupClass = entry.substr(wmClass + 15, entry.find('\n', wmClass) - wmClass - 15);
  EXPECT_NE(properties.output.find(", \"" + startupClass + "\""), std::string::npos) << properties.output;
  EXPECT_NE(properties.output.find("Icon ("), std::string::npos) << properties.output;
  // UPDATE QUERY: 120, 4935, 2370 x 495 twips, so its middle is at pixel 87, 345 of the window.
  const auto clicked =
      RunCommand("DISPLAY=" + display.Name() + " xdotool mousemove --window " + id + " 87 345 click 1 2>&1");
  EXPECT_EQ(clicked.status, 0) << clicked.output;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (fs::last_write_time(demo / "MOSA_QUERY.xls") == before &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  // The office saves in one go; give it a moment to let go of the file before the window ends.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  ::kill(window, SIGTERM);
  for (int i = 0; i < 100 && ::kill(window, 0) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_NE(fs::last_write_time(demo / "MOSA_QUERY.xls"), before) << "the workbook was not saved\n"
                                                                  << Read(log);

  // The first country with every filter on "All".
  ExpectFilteredArea(demo, "");
  // The folder is remembered for the next start, and only that.
  const std::string settings = Read(root_->Path() / "config/Quorvia/Quorvia.conf");
  EXPECT_NE(settings.find("folder=" + demo.string()), std::string::npos) << settings;
}

}  // namespace
}  // namespace quorvia::packaging
