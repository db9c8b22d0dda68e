#include "workbook/office/report_office.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "workbook/office/log.h"
#include "workbook/office/office_shared.h"
#include "workbook/office/process/canonical_path.h"
#include "workbook/office/uno/uno_connection.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"

namespace quorvia::workbook::office {
namespace {

namespace fs = std::filesystem;

// FNV-1a: stable across runs and builds, which std::hash is not promised to be.
std::uint64_t StableHash(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

std::string CanonicalFolder(const std::string& folder) { return CanonicalPath(folder).string(); }

}  // namespace

std::string ReportOfficePipeName(const std::string& programFolder) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx",
                static_cast<unsigned long long>(StableHash(CanonicalFolder(programFolder))));
  return std::string("quorvia_report_") + hex;
}

std::unique_ptr<LibreOfficeApplication> ConnectToReportOffice(const std::string& programFolder,
                                                              std::shared_ptr<OfficeShared> shared) {
  if (!shared) shared = std::make_shared<OfficeShared>(OfficeOptions{});
  // Not started by us: no call of ours ever ends it.
  auto office = std::make_unique<LibreOfficeApplication>(ConnectToOffice(ReportOfficePipeName(programFolder)),
                                                         std::weak_ptr<OfficeProcess>(), std::move(shared));
  office->LimitToFolder(CanonicalFolder(programFolder));
  return office;
}

std::unique_ptr<LibreOfficeApplication> ReportOfficeShowingFolder(const std::string& programFolder,
                                                                  std::shared_ptr<OfficeShared> shared) {
  if (programFolder.empty()) return nullptr;
  try {
    auto office = ConnectToReportOffice(programFolder, std::move(shared));
    if (office->WorkbookCount() > 0) return office;
  } catch (const AutomationError& error) {
    // No report office, or one that went away while we looked: the ordinary case.
    qCDebug(lcOffice, "no report office shows %s: %s", programFolder.c_str(), error.what());
  }
  return nullptr;
}

std::string WorkbookInUseMessage(const fs::path& workbook) {
  return workbook.filename().string() + " is open in another program; close it, or open it with " +
         kReportProgram + ". Its lock file " + OfficeLockFileOf(workbook).string() +
         " can be deleted once the program that holds the workbook is closed.";
}

}  // namespace quorvia::workbook::office
