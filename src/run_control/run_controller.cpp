// The runs of a program folder on the run thread: UPDATE QUERY, the batch and the report as PDF, each
// ending in the status label's text and, when something went wrong, a message.
#include "run_control/run_controller.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

#include "db/db_error.h"
#include "query/batch_stop.h"
#include "query/query_session.h"
#include "run_control/error_text.h"
#include "vocabulary/file_names.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::run_control {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A run's engine error or other failure, as the label's text (after `notDone`) and the message.
RunEnd FailedRun(const std::exception_ptr& failure, const std::string& notDone, const std::string& database) {
  RunEnd end;
  try {
    std::rethrow_exception(failure);
  } catch (const db::DbError& error) {
    end.labelText = notDone + PlainDbProblem(error, database).toStdString();
    end.message = ErrorText(error, database);
  } catch (const std::exception& error) {
    end.labelText = notDone + error.what();
    end.message = Q(error.what());
  }
  return end;
}

}  // namespace

RunController::RunController(std::string programFolder, workbook::SpreadsheetSystem& office, QObject* parent)
    : QObject(parent),
      programFolder_(std::move(programFolder)),
      office_(office),
      batchHold_(std::make_shared<query::BatchHold>()) {
  runThread_.setMaxThreadCount(1);
  runThread_.setExpiryTimeout(-1);
  connect(&runWatcher_, &QFutureWatcher<RunEnd>::finished, this, [this] { OnRunFinished(); });
}

RunController::~RunController() {
  // The run uses the session: it ends (after its item in hand, or an update cut short while it reads)
  // before the session goes.
  stop_->Request();
  batchHold_->Release();
  runWatcher_.waitForFinished();
}

std::string RunController::DatabaseFile() const {
  return programFolder_ + "/" + vocabulary::kDatabaseFileName;
}

bool RunController::Update(const query::Selection& selection) {
  if (runGoing_ || !session_) return false;
  SetLabel("Processing update...");
  return Start([session = session_.get(), selection, database = DatabaseFile(), stop = stop_] {
    try {
      const auto outcome = session->Update(selection, *stop);
      return RunEnd{.labelText = outcome.labelText, .done = outcome.Done(), .message = {}, .batchFiles = {}};
    } catch (const std::exception&) {
      return FailedRun(std::current_exception(), "Update not done: ", database);
    }
  });
}

bool RunController::Batch(query::BatchRequest request, const batch_summary::BatchFileOptions& files,
                          std::function<void(const query::BatchStep&)> beforeItem) {
  if (runGoing_ || !session_) return false;
  // Each step shows on the status label before its item runs.
  auto showStep = [this, beforeItem = std::move(beforeItem)](const query::BatchStep& step) {
    if (beforeItem) beforeItem(step);
    QMetaObject::invokeMethod(
        this, [this, text = step.statusText] { SetLabel(text); }, Qt::QueuedConnection);
  };
  return Start([session = session_.get(), office = &office_, request = std::move(request), stop = stop_,
                hold = batchHold_, showStep = std::move(showStep), files, database = DatabaseFile()] {
    try {
      auto batch = query::StartBatch(*session, request);
      const auto outcome = query::RunBatch(batch, showStep, [&stop, &hold] {
        hold->WaitWhileHeld();
        return stop->Requested();
      });
      RunEnd end;
      end.labelText = outcome.labelText;
      end.done = outcome.Complete() && outcome.processed == query::SelectedItemCount(request);
      // The summary and the PDFs come from the same office, on the same thread, after the last copy.
      end.batchFiles =
          batch_summary::WriteBatchFiles(*office, session->ProgramFolder(), request, outcome, files);
      if (end.batchFiles) {
        end.labelText = batch_summary::LabelWithSummary(outcome.labelText, *end.batchFiles);
        end.done = end.done && end.batchFiles->problems.empty();
      }
      return end;
    } catch (const std::exception&) {
      return FailedRun(std::current_exception(), "Batch not done: ", database);
    }
  });
}

bool RunController::SaveReportAsPdf(const std::string& pdfPath) {
  if (runGoing_) return false;
  return Start([office = &office_, report = programFolder_ + "/" + vocabulary::kReportFileName, pdfPath] {
    RunEnd end;
    try {
      office->ExportPdf(report, pdfPath);
      end.done = true;
    } catch (const std::exception& error) {
      end.message = Q("The PDF " + pdfPath + " was not written: " + error.what());
    }
    return end;
  });
}

void RunController::Cancel() {
  if (runGoing_) stop_->Request();
}

void RunController::Hold() { batchHold_->Hold(); }

void RunController::Release() { batchHold_->Release(); }

bool RunController::Start(std::function<RunEnd()> work) {
  runGoing_ = true;
  stop_->Reset();
  runWatcher_.setFuture(QtConcurrent::run(&runThread_, std::move(work)));
  return true;
}

void RunController::OnRunFinished() {
  const RunEnd end = runWatcher_.result();
  if (end.labelText) SetLabel(*end.labelText);
  if (end.batchFiles) lastBatchFiles_ = end.batchFiles;
  if (!end.done) ++runsNotDone_;
  emit Ended(end);
  // Only now, with its outcome shown (and its message answered), has the run ended for the user.
  runGoing_ = false;
  emit Finished();
}

void RunController::SetLabel(const std::string& text) {
  labelText_ = text;
  emit LabelChanged(Q(text));
}

void RunController::WaitForRun() {
  if (!runGoing_) return;
  QEventLoop loop;
  connect(this, &RunController::Finished, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace quorvia::run_control
