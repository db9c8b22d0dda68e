// The memory of the visible offices that quorvia-report starts, for 1..N folders shown at once: one office
// on the report profile showing every folder (as quorvia-report does), against one office per folder (each
// on a profile of its own, as --profile gives). Prints the resident and the proportional set size (RSS,
// PSS: shared pages divided among the processes that map them) of the office processes, in MB.
// Runs on a virtual display of its own. Usage: bench_report_memory [FOLDERS] (default 3).
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "demo_database.h"
#include "report/virtual_display.h"
#include "report_template.h"
#include "run_command.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/office/process/office_processes.h"

namespace {

namespace fs = std::filesystem;
namespace office = quorvia::workbook::office;
using quorvia::testing::RunCommand;
using quorvia::testing::ShellQuote;

// A field of /proc/PID/status or smaps_rollup, in kB.
long FieldKb(const fs::path& file, const std::string& field) {
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(field)) return std::stol(line.substr(field.size()));
  }
  return 0;
}

struct Memory {
  double rssMb = 0, pssMb = 0;
  int offices = 0;
};

Memory OfficesWith(const std::string& argumentPart) {
  Memory memory;
  for (const auto& running : office::OfficeProcessesOfUser()) {
    if (!running.HasArgumentContaining(argumentPart)) continue;
    const fs::path proc = "/proc/" + std::to_string(running.pid);
    memory.rssMb += FieldKb(proc / "status", "VmRSS:") / 1024.0;
    memory.pssMb += FieldKb(proc / "smaps_rollup", "Pss:") / 1024.0;
    ++memory.offices;
  }
  return memory;
}

void EndOfficesWith(const std::string& argumentPart) {
  for (const auto& running : office::OfficeProcessesOfUser()) {
    if (running.HasArgumentContaining(argumentPart)) kill(running.pid, SIGTERM);
  }
  for (int wait = 0; wait < 100 && OfficesWith(argumentPart).offices > 0; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void Show(const fs::path& root, const fs::path& folder, const std::string& options) {
  const auto shown = RunCommand("HOME=" + ShellQuote((root / "home").string()) +
                                " XDG_CACHE_HOME=" + ShellQuote((root / "cache").string()) + " " +
                                ShellQuote(QUORVIA_REPORT_PROGRAM) + " " + options + " " +
                                ShellQuote(folder.string()) + " 2>&1");
  if (shown.status != 0) throw std::runtime_error("quorvia-report failed: " + shown.output);
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the window drawn, the memory settled
}

void Print(const char* layout, int folders, const Memory& memory) {
  std::printf("%-18s %7d %7d %9.1f %9.1f\n", layout, folders, memory.offices, memory.rssMb, memory.pssMb);
}

}  // namespace

int main(int argc, char** argv) {
  const int folders = argc > 1 ? std::atoi(argv[1]) : 3;
  const quorvia::report::testing::VirtualDisplay display;
  std::string pattern = (fs::temp_directory_path() / "quorvia-bench-report-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path root = pattern;
  fs::create_directories(root / "home");
  try {
    {
      office::LibreOfficeSystem tools(
          office::OfficeOptions::Private("quorvia_bench_report", (root / "tools").string()));
      quorvia::tools::DemoOptions demo;
      demo.recordsPerCountry = 1500;
      for (int i = 0; i < folders; ++i) {
        const fs::path folder = root / ("folder" + std::to_string(i));
        fs::create_directories(folder);
        quorvia::tools::WriteDemoDatabase((folder / "MOSA_DB.mdb").string(), demo);
        if (i == 0) {
          quorvia::tools::BuildReportTemplate(tools, (folder / "MOSA_QUERY.xls").string());
        } else {
          fs::copy_file(root / "folder0" / "MOSA_QUERY.xls", folder / "MOSA_QUERY.xls");
        }
      }
    }
    std::printf("%-18s %7s %7s %9s %9s\n", "layout", "folders", "offices", "RSS MB", "PSS MB");
    const std::string shared = (root / "cache/quorvia/report-profile").string();
    for (int i = 0; i < folders; ++i) {
      Show(root, root / ("folder" + std::to_string(i)), "");
      Print("one office", i + 1, OfficesWith(shared));
    }
    EndOfficesWith(shared);
    const std::string own = (root / "own-profiles").string();
    for (int i = 0; i < folders; ++i) {
      Show(root, root / ("folder" + std::to_string(i)),
           "--profile " + ShellQuote(own + "/" + std::to_string(i)));
      Print("office per folder", i + 1, OfficesWith(own));
    }
    EndOfficesWith(own);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    EndOfficesWith(root.string());
    fs::remove_all(root);
    return 1;
  }
  fs::remove_all(root);
  return 0;
}
