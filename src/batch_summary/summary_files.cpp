#include "batch_summary/summary_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLoggingCategory>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "batch_summary/summary_book.h"
#include "batch_summary/summary_table.h"
#include "db/ascii_case.h"
#include "file_mode/file_sync.h"
#include "file_mode/process_umask.h"
#include "query/copy_names.h"
#include "query/copy_register.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::batch_summary {
namespace {

Q_LOGGING_CATEGORY(summaryLog, "quorvia.batch_summary")

namespace fs = std::filesystem;

constexpr std::size_t kLongestFileName = 255;
constexpr int kMostNameTries = 1000;

// Writes `text` as `target` through a temporary file beside it, so that a failed write leaves nothing.
void WriteTextFile(const fs::path& target, const std::string& text) {
  std::string temporary = (target.parent_path() / ".~quorvia-summary-XXXXXX").string();
  const int fd = mkstemp(temporary.data());
  if (fd < 0) throw std::runtime_error("cannot write in " + target.parent_path().string());
  bool written = fchmod(fd, file_mode::OrdinaryFileMode()) == 0;
  for (std::size_t done = 0; written && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    written = n > 0;
    done += written ? static_cast<std::size_t>(n) : 0;
  }
  written = ::close(fd) == 0 && written;
  try {
    if (!written) throw std::runtime_error("cannot write " + target.string());
    file_mode::SyncFile(temporary);
    fs::rename(temporary, target);
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
}

// A name the summary may write: no file has it, or the file is a summary written earlier and unchanged.
bool FreeForUs(const fs::path& folder, const std::string& fileName, const query::CopyRegister& summaries) {
  std::error_code error;
  const auto status = fs::symlink_status(folder / fileName, error);
  if (status.type() == fs::file_type::not_found) return true;
  return !error && summaries.IsReportCopy(fileName);
}

// The summary's file-name stem: "<prefix> summary", or with " (2)", " (3)"... when a file of the name is
// somebody else's or a copy of this batch has it (on a case-blind file system too). "" when none is free.
std::string SummaryStem(const fs::path& folder, const query::BatchRequest& request,
                        const query::BatchOutcome& outcome, const std::vector<std::string>& extensions,
                        const query::CopyRegister& summaries) {
  std::set<std::string> copies;
  for (const auto& copy : outcome.copies) copies.insert(db::LowerAscii(copy));
  const std::string base = query::CopyNames::SafeFileNamePart(request.prefix) + " summary";
  for (int n = 1; n <= kMostNameTries; ++n) {
    const std::string stem = n == 1 ? base : base + " (" + std::to_string(n) + ")";
    bool free = !copies.contains(db::LowerAscii(stem)) && stem.size() + 4 <= kLongestFileName;
    for (const auto& extension : extensions) free = free && FreeForUs(folder, stem + extension, summaries);
    if (free) return stem;
  }
  return {};
}

void WriteSummary(workbook::SpreadsheetSystem& office, const fs::path& folder,
                  const query::BatchRequest& request, const query::BatchOutcome& outcome,
                  const BatchFileOptions& options, query::CopyRegister& summaries, BatchFiles& files) {
  const SummaryTable table = BuildSummaryTable(request, outcome);
  files.partial = table.partial;
  std::vector<std::string> extensions{".xls", ".csv"};
  if (options.pdfCopies) extensions.emplace_back(".pdf");
  const std::string stem = SummaryStem(folder, request, outcome, extensions, summaries);
  if (stem.empty()) {
    files.problems.push_back("no summary written: every summary name is taken by another file");
    return;
  }
  const fs::path csv = folder / (stem + ".csv");
  try {
    WriteTextFile(csv, SummaryCsv(table));
    summaries.Note(csv.filename().string());
    files.csv = csv.string();
  } catch (const std::exception& error) {
    files.problems.push_back(csv.filename().string() + " not written: " + error.what());
  }
  const fs::path book = folder / (stem + ".xls");
  try {
    office.WriteSummaryWorkbook(book.string(), SummaryBookOf(table, request));
    summaries.Note(book.filename().string());
    files.workbook = book.string();
  } catch (const std::exception& error) {
    files.problems.push_back(book.filename().string() + " not written: " + error.what());
    return;
  }
  if (!options.pdfCopies) return;
  const fs::path pdf = folder / (stem + ".pdf");
  try {
    office.ExportPdf(book.string(), pdf.string());
    summaries.Note(pdf.filename().string());
    files.pdf = pdf.string();
  } catch (const std::exception& error) {
    files.problems.push_back(pdf.filename().string() + " not written: " + error.what());
  }
}

void WriteCopyPdfs(workbook::SpreadsheetSystem& office, const fs::path& folder,
                   const query::BatchOutcome& outcome, query::CopyRegister& summaries, BatchFiles& files) {
  for (const auto& copy : outcome.copies) {
    const std::string pdf = copy + ".pdf";
    if (!FreeForUs(folder, pdf, summaries)) {
      files.problems.push_back(pdf +
                               " kept: it is not a PDF Quorvia wrote, so the copy's PDF was not written");
      continue;
    }
    try {
      office.ExportPdf((folder / (copy + ".xls")).string(), (folder / pdf).string());
      summaries.Note(pdf);
      files.copyPdfs.push_back((folder / pdf).string());
    } catch (const std::exception& error) {
      files.problems.push_back(pdf + " not written: " + error.what());
    }
  }
}

}  // namespace

std::optional<BatchFiles> WriteBatchFiles(workbook::SpreadsheetSystem& office, const std::string& folder,
                                          const query::BatchRequest& request,
                                          const query::BatchOutcome& outcome,
                                          const BatchFileOptions& options) {
  if (outcome.copies.empty() || (!options.summary && !options.pdfCopies)) return std::nullopt;
  std::error_code ignored;
  const fs::path where = fs::absolute(folder, ignored).lexically_normal();
  query::CopyRegister summaries(folder, kSummaryRegisterFileName);
  BatchFiles files;
  if (options.pdfCopies) WriteCopyPdfs(office, where, outcome, summaries, files);
  if (options.summary) WriteSummary(office, where, request, outcome, options, summaries, files);
  for (const auto& problem : files.problems) qCWarning(summaryLog, "%s", problem.c_str());
  return files;
}

std::string LabelWithSummary(const std::string& labelText, const BatchFiles& files) {
  std::string line;
  const auto name = [](const std::string& path) { return fs::path(path).filename().string(); };
  if (!files.workbook.empty() || !files.csv.empty()) {
    line = files.partial ? "Partial summary: " : "Summary: ";
    if (!files.workbook.empty()) line += name(files.workbook);
    if (!files.csv.empty()) line += (files.workbook.empty() ? "" : ", ") + name(files.csv);
  }
  if (!files.problems.empty()) {
    line += (line.empty() ? "" : "; ") + files.problems.front();
    if (files.problems.size() > 1) line += " (and " + std::to_string(files.problems.size() - 1) + " more)";
  }
  if (line.empty()) return labelText;
  const auto firstLineEnd = labelText.find("\r\n");
  if (firstLineEnd == std::string::npos) return labelText + "\r\n" + line;
  return labelText.substr(0, firstLineEnd) + "\r\n" + line + labelText.substr(firstLineEnd);
}

}  // namespace quorvia::batch_summary
