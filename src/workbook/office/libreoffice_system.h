#pragma once

#include <sys/types.h>

#include <atomic>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "workbook/office/libreoffice_application.h"
#include "workbook/office/process/office_options.h"
#include "workbook/office/process/office_starter.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

class OfficeProcess;
struct OfficeShared;

// Finds or starts the headless LibreOffice that serves this program. "The running instance" is the visible
// report office of the options' program folder while it shows a workbook of that folder; otherwise it is
// the office listening on the options' pipe, unless that is the office this object started and it is
// parked. The report office is the user's: nothing here closes its document or ends it.
// Creating an instance takes the parked office when there is one (and it still answers), reuses an office
// that listens otherwise, and starts a dedicated one when none does. An office this object started is
// owned by it: Quit parks it, and it is ended (every document closed first) when this object is
// destroyed, and by the kernel if the program dies first.
class LibreOfficeSystem final : public SpreadsheetSystem {
 public:
  explicit LibreOfficeSystem(OfficeOptions options = OfficeOptions::Default());
  LibreOfficeSystem(const LibreOfficeSystem&) = delete;
  LibreOfficeSystem& operator=(const LibreOfficeSystem&) = delete;
  ~LibreOfficeSystem() override;

  std::unique_ptr<SpreadsheetApplication> GetRunningInstance() override;
  std::unique_ptr<SpreadsheetApplication> CreateInstance() override;
  // Written in the office that refreshes the report: the report office of the folder when it shows the
  // report, otherwise our own (taken from the parking place and parked again). See summary_writer.cpp and
  // pdf_export.cpp.
  void WriteSummaryWorkbook(const std::string& path, const SummaryBook& book) override;
  void ExportPdf(const std::string& workbookPath, const std::string& pdfPath) override;
  std::string WorkbookProblem(const std::string& path) override;

  // Starts an office on a thread of its own and parks it, so that the first create finds it warm. With a
  // workbook given, a copy of it is loaded and stored once in the office's temporary folder, so that the
  // office has its spreadsheet code loaded before the first real use. Returns at once; every other member
  // waits for that start to finish. A failed start is not reported here: the next create starts an
  // office itself and reports what goes wrong.
  void StartParkedInBackground(const std::string& warmUpWorkbook = "");

  // The same, with the concrete type, for tools that need the office beyond the report refresh.
  std::unique_ptr<LibreOfficeApplication> ConnectToRunningOffice();
  std::unique_ptr<LibreOfficeApplication> ConnectOrStartOffice();

  // For a run told to stop at once (a second Ctrl+C), from any thread: kills the office this object
  // started, so that the office call under way fails, and starts or connects to none from then on. The
  // caller's run sees its refresh fail and undoes what it had changed; the user's report office is left
  // alone.
  void EndAtOnce() noexcept;

  // Process id of the office this object started, while it runs (parked or not).
  std::optional<pid_t> StartedOfficePid();
  // True while the office this object started is parked.
  bool OfficeParked();
  const OfficeOptions& Options() const noexcept { return options_; }

 private:
  std::unique_ptr<LibreOfficeApplication> StartOffice();
  // The office in which files besides the report (summaries, PDFs) are written.
  std::unique_ptr<LibreOfficeApplication> OfficeForFiles();
  void WarmUp(LibreOfficeApplication& office, const std::string& workbook) const;
  std::unique_ptr<LibreOfficeApplication> TakeParkedOffice();
  std::unique_ptr<LibreOfficeApplication> Connect();
  // The connection to the office on our pipe, made or checked afresh. NoOfficeError when none listens.
  css::uno::Reference<css::uno::XComponentContext> LiveConnection();
  css::uno::Reference<css::uno::XComponentContext> Reconnect();
  std::weak_ptr<OfficeProcess> OurRunningOffice() const;
  void ForgetEndedOffice();
  void FinishBackgroundStart();
  void EndStartedOffice() noexcept;
  std::unique_ptr<OfficeProcess> StartProcess();

  OfficeOptions options_;
  std::shared_ptr<OfficeShared> shared_;
  // Our office dies with the thread that started it: it is started on the starter's thread, which lives
  // as long as this object, never on the thread of a run or of the background start, which end earlier.
  OfficeStarter starter_;
  std::shared_ptr<OfficeProcess> started_;
  css::uno::Reference<css::uno::XComponentContext> connection_;

  // The office this object started, for EndAtOnce from another thread; 0 when none.
  std::atomic<pid_t> startedPid_{0};
  std::atomic<bool> endedAtOnce_{false};

  std::thread background_;
  std::future<void> backgroundStarted_;
};

}  // namespace quorvia::workbook::office
