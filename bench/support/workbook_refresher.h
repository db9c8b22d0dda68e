#pragma once

#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "report_template.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::bench {

// Resident memory of a process in MB, from /proc; 0 when it cannot be read.
inline double ResidentMegabytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

// Options for a private office of a benchmark, with its state in `folder`.
inline workbook::office::OfficeOptions PrivateOfficeOptions(const std::string& folder) {
  return workbook::office::OfficeOptions::Private("quorvia_bench_" + std::to_string(getpid()),
                                                  folder + "/office");
}

// Waits until the background start of `system` has parked its office.
inline void WaitUntilParked(workbook::office::LibreOfficeSystem& system) {
  while (!system.OfficeParked()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// A private office for a benchmark, started in the background and parked as the window does at start-up,
// with the report template in `folder`: every refresh finds no running instance and takes the parked
// office (the path of every update from the window).
class OfficeRefresher {
 public:
  explicit OfficeRefresher(const std::string& folder)
      : folder_(folder), system_(PrivateOfficeOptions(folder)) {
    tools::BuildReportTemplate(system_, folder_ + "/MOSA_QUERY.xls");
    system_.ConnectOrStartOffice()->Quit();  // parked
  }

  // Resident memory of the parked office, in MB.
  double ParkedOfficeMegabytes() {
    const auto pid = system_.StartedOfficePid();
    return pid && system_.OfficeParked() ? ResidentMegabytes(*pid) : 0;
  }

  workbook::office::LibreOfficeSystem& System() { return system_; }

 private:
  std::string folder_;
  workbook::office::LibreOfficeSystem system_;
};

}  // namespace quorvia::bench
