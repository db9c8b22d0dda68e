#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch_summary/summary_files.h"
#include "query/batch_run.h"
#include "query/run_stop.h"
#include "query/selection.h"

namespace quorvia::query {
class QuerySession;
class BatchHold;
}  // namespace quorvia::query

namespace quorvia::workbook {
class SpreadsheetSystem;
}

namespace quorvia::run_control {

// What a run (an update, a batch, the report as PDF) leaves when it ends on the run thread.
struct RunEnd {
  std::optional<std::string> labelText;                 // nothing: the status label stays as the run left it
  bool done = false;                                    // everything the run was asked for happened
  std::optional<QString> message;                       // an error to put to the user
  std::optional<batch_summary::BatchFiles> batchFiles;  // a batch's summary and PDFs, when it wrote any
};

// What opening the program folder's database came to.
struct FolderOpened {
  bool goOn = false;                        // false: the program cannot go on
  std::optional<QString> message;           // what to tell the user (also when it goes on)
  std::vector<std::string> countryEntries;  // the country list, in table order
};

// The run of one program folder, below any window: the run's state (query::QuerySession), the one run
// thread, the stop, the batch's hold and what a run comes to as the status label's text and a message.
// A window (or the command-line runner) reads its controls into a query::Selection and starts a run here;
// it shows LabelChanged's texts and, at Ended, the outcome. All calls come from the thread that made the
// controller, and the signals are raised on it.
//
// The run thread: one thread, kept for the controller's life, so that every office and database call of
// every run is made from the same thread and an office started for a run is not ended with its thread.
class RunController : public QObject {
  Q_OBJECT

 public:
  RunController(std::string programFolder, workbook::SpreadsheetSystem& office, QObject* parent = nullptr);
  // A run going is stopped (after its item in hand, or cut short while an update reads) and waited for.
  ~RunController() override;

  // Opens the program folder's database, as the program starts: a missing file is said, an Access file
  // goes through `convertAccess` (false: the program ends; it has said why), and a database without a
  // country's table is said but lets the program go on.
  FolderOpened Open(const std::function<bool(const std::string& databasePath)>& convertAccess);
  // The run's state once the database is open; the caller reads lists from it only while no run goes.
  query::QuerySession* Session() const { return session_.get(); }
  // The program folder's database file, named in messages about it.
  std::string DatabaseFile() const;

  // Each starts a run on the run thread and returns true, or returns false when a run goes already or the
  // database is not open. "UPDATE QUERY" with the selection:
  bool Update(const query::Selection& selection);
  // A batch, with the files it writes besides its copies; `beforeItem` is called on the run thread.
  bool Batch(query::BatchRequest request, const batch_summary::BatchFileOptions& files,
             std::function<void(const query::BatchStep&)> beforeItem = {});
  // The report's cover and report pages as one PDF file.
  bool SaveReportAsPdf(const std::string& pdfPath);
  // A batch the user asked for but that did not start (the dialog or the prefix box cancelled).
  void CountBatchNotStarted() { ++runsNotDone_; }

  // Stops the run going: a batch after the item in hand; an update at once while it reads its figures
  // (nothing is changed), and it finishes when it is further on.
  void Cancel();
  // While held, a batch starts no further item (the window asks whether to stop meanwhile).
  void Hold();
  void Release();

  // From the start of a run until Ended's receivers have returned.
  bool RunGoing() const { return runGoing_; }
  // Returns once the run going, if any, has ended (an event loop runs meanwhile).
  void WaitForRun();
  // How many runs did not do everything they were asked: refused, stopped by an error, the workbook or its
  // cover page not written, a batch item failed, or a batch not started.
  int RunsNotDone() const { return runsNotDone_; }
  // The status label's text as the runs left it.
  const std::string& LabelText() const { return labelText_; }
  const std::optional<batch_summary::BatchFiles>& LastBatchFiles() const { return lastBatchFiles_; }
  // Also told every status that a run shows while it waits (the runner prints it on standard error); from
  // the run thread.
  void SetStatusEcho(std::function<void(const std::string&)> echo) { statusEcho_ = std::move(echo); }

 signals:
  void LabelChanged(const QString& text);
  // A run has ended, with what it came to; RunGoing is still true for the receivers.
  void Ended(const run_control::RunEnd& end);
  // After Ended: the run is over.
  void Finished();

 private:
  bool Start(std::function<RunEnd()> work);
  void OnRunFinished();
  void SetLabel(const std::string& text);

  const std::string programFolder_;
  workbook::SpreadsheetSystem& office_;
  std::unique_ptr<query::QuerySession> session_;
  std::string labelText_;
  std::optional<batch_summary::BatchFiles> lastBatchFiles_;
  int runsNotDone_ = 0;
  bool runGoing_ = false;
  std::function<void(const std::string&)> statusEcho_;
  std::shared_ptr<query::RunStop> stop_ = std::make_shared<query::RunStop>();
  std::shared_ptr<query::BatchHold> batchHold_;
  QThreadPool runThread_;
  QFutureWatcher<RunEnd> runWatcher_;
};

}  // namespace quorvia::run_control
