// quorvia-report: shows the report workbook of Quorvia's program folder in a visible LibreOffice Calc
// window that Quorvia can reach, so that every UPDATE QUERY refreshes the very window the user watches.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "report_window.h"
#include "spreadsheet_application.h"

namespace {

constexpr const char* kUsage =
    "Usage: quorvia-report [--folder DIR] [--profile DIR]\n"
    "  Shows DIR/MOSA_QUERY.xls (default: the folder of this program) in LibreOffice Calc, where Quorvia\n"
    "  refreshes it in place on every UPDATE QUERY. --profile uses another LibreOffice profile than yours.\n";

std::string ProgramFolder() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : self.parent_path().string();
}

}  // namespace

int main(int argc, char** argv) {
  quorvia::report::ReportRequest request;
  request.folder = ProgramFolder();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (option == "--folder" && hasValue) {
      request.folder = arguments[++i];
    } else if (option == "--profile" && hasValue) {
      request.profileDir = arguments[++i];
    } else {
      std::cerr << (option == "--help" ? "" : "quorvia-report: bad option " + option + "\n") << kUsage;
      return option == "--help" ? 0 : 2;
    }
  }
  try {
    const auto shown = quorvia::report::ShowReport(request);
    std::cout << "MOSA_QUERY.xls is shown in LibreOffice Calc"
              << (shown.startedOffice ? "" : " (brought to the front)")
              << "; click UPDATE QUERY in Quorvia to refresh it there.\n";
    return 0;
  } catch (const quorvia::report::ReportError& error) {
    std::cerr << "quorvia-report: " << error.what() << "\n";
  } catch (const quorvia::workbook::AutomationError& error) {
    std::cerr << "quorvia-report: cannot reach LibreOffice: " << error.what() << "\n";
  }
  return 1;
}
