#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "demo_database.h"
#include "office_test_support.h"
#include "report_template.h"
#include "temp_folder.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::testing {

// What a suite that drives a real office over the demo data makes once, in SetUpTestSuite: starting an
// office costs about a second, building the template several. All of it lives in one temporary folder: the
// office's own profile, the demo database and the report template that office built.
struct OfficeDemoSetUp {
  std::string folderPrefix{};                         // names the suite's temporary folder
  std::string officeTag{};                            // names the office's pipe and profile
  int recordsPerCountry = 1500;                       // of the demo database
  std::filesystem::path database = "MOSA_DB.mdb";     // under the folder
  std::filesystem::path workbook = "MOSA_QUERY.xls";  // under the folder
  std::filesystem::path reportFolder{};  // under the folder, for an office that shows the report there
};

struct OfficeDemo {
  std::unique_ptr<TempFolder> root;
  std::unique_ptr<workbook::office::LibreOfficeSystem> system;
};

inline OfficeDemo MakeOfficeDemo(const OfficeDemoSetUp& setUp) {
  namespace fs = std::filesystem;
  OfficeDemo demo{std::make_unique<TempFolder>(setUp.folderPrefix), nullptr};
  const fs::path& root = demo.root->Path();
  auto options = workbook::office::testing::PrivateOfficeOptions(root, setUp.officeTag);
  if (!setUp.reportFolder.empty()) options.reportFolder = (root / setUp.reportFolder).string();
  demo.system = std::make_unique<workbook::office::LibreOfficeSystem>(options);
  fs::create_directories((root / setUp.database).parent_path());
  fs::create_directories((root / setUp.workbook).parent_path());
  tools::DemoOptions demoData;
  demoData.recordsPerCountry = setUp.recordsPerCountry;
  tools::WriteDemoDatabase((root / setUp.database).string(), demoData);
  tools::BuildReportTemplate(*demo.system, (root / setUp.workbook).string());
  return demo;
}

}  // namespace quorvia::testing
