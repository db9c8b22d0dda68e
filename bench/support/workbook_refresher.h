#pragma once

#include <unistd.h>

#include <memory>
#include <string>

#include "report_template.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::bench {

// A private office for a benchmark, with the report template in `folder` opened in it, so that every
// refresh meets a warm office with the workbook open (the path a working analyst is on).
class OfficeRefresher {
 public:
  explicit OfficeRefresher(const std::string& folder) : folder_(folder), system_(Options(folder)) {
    tools::BuildReportTemplate(system_, folder_ + "/MOSA_QUERY.xls");
    office_ = system_.ConnectOrStartOffice();
    office_->OpenWorkbook(folder_ + "/MOSA_QUERY.xls", 3);
  }

  workbook::office::LibreOfficeSystem& System() { return system_; }

 private:
  static workbook::office::OfficeOptions Options(const std::string& folder) {
    auto options = workbook::office::OfficeOptions::Default();
    options.pipeName = "quorvia_bench_" + std::to_string(getpid());
    options.profileDir = folder + "/office-profile";
    options.homeDir = folder + "/office-home";
    return options;
  }

  std::string folder_;
  workbook::office::LibreOfficeSystem system_;
  std::unique_ptr<workbook::office::LibreOfficeApplication> office_;
};

}  // namespace quorvia::bench
