// Writes the report workbook template MOSA_QUERY.xls with a private headless office of its own.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "report_template.h"
#include "workbook/office/libreoffice_system.h"

namespace {

int Usage() {
  std::cerr << "usage: make_report_template --out PATH\n";
  return 2;
}

// A temporary profile and HOME, removed when the program ends.
class PrivateOfficeFolder {
 public:
  PrivateOfficeFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quorvia-template-office-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
  }
  ~PrivateOfficeFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "--out") != 0) return Usage();
  try {
    const PrivateOfficeFolder folder;
    const auto options = quorvia::workbook::office::OfficeOptions::Private(
        "quorvia_template_" + std::to_string(getpid()), folder.Path().string());
    {
      quorvia::workbook::office::LibreOfficeSystem office(options);
      quorvia::tools::BuildReportTemplate(office, argv[2]);
    }  // the private office ends here, before its folder goes
    std::cout << "wrote " << std::filesystem::absolute(argv[2]).string() << "\n";
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "make_report_template: " << error.what() << "\n";
    return 1;
  }
}
