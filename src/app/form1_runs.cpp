// The window's runs: UPDATE QUERY and the batch, each on the run thread, with the window answering
// meanwhile: it shows the progress, can stop a batch after the item in hand or an update while it reads,
// and is closed only between items.
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeySequence>
#include <QShortcut>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

#include "app/error_text.h"
#include "app/form1.h"
#include "app/qt_text.h"
#include "batch_dialog/batch_selection.h"
#include "batch_dialog/form2.h"
#include "batch_summary/summary_files.h"
#include "db/db_error.h"
#include "query/batch_run.h"
#include "query/batch_stop.h"
#include "query/query_session.h"
#include "ui_common/modal_host.h"

namespace quorvia::app {
namespace {

const QString kStopQuestion = QStringLiteral(
    "Quorvia is still running. Stop after the item in hand and close the window? That item is finished "
    "first, so nothing is left half-written.");

}  // namespace

Form1::~Form1() {
  // The run uses the session and the controls' owner: it ends (after its item in hand, or an update cut
  // short while it reads) before they go.
  stop_->Request();
  runWatcher_.waitForFinished();
}

void Form1::BuildRunControls() {
  batchHold_ = std::make_shared<query::BatchHold>();
  runThread_.setMaxThreadCount(1);
  runThread_.setExpiryTimeout(-1);
  connect(&runWatcher_, &QFutureWatcher<RunEnd>::finished, this, [this] { ShowRunEnd(); });

  // Where the hidden BATCH QUERY button lies; shown only while a batch runs.
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setGeometry(command2_->geometry());
  cancelButton_->hide();
  connect(cancelButton_, &QPushButton::clicked, this, [this] { CancelRun(); });

  // The hidden button stays the one way into the batch: the key and the menu click it.
  batchAction_ = new QAction(QStringLiteral("Batch query…"), this);
  batchAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  batchAction_->setShortcutContext(Qt::WindowShortcut);
  connect(batchAction_, &QAction::triggered, this, [this] { command2_->click(); });
  addAction(batchAction_);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  BuildPdfAction();

  auto* update = new QShortcut(QKeySequence(Qt::Key_F5), this);
  connect(update, &QShortcut::activated, this, [this] { command1_->click(); });
  auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(cancel, &QShortcut::activated, this, [this] { CancelRun(); });
}

void Form1::Command1_Click() {
  if (RunGoing() || !session_) return;
  SetLabel1("Processing update...");
  cancelButton_->setEnabled(true);
  cancelButton_->show();
  StartRun([session = session_.get(), selection = ReadSelection(), database = DatabaseFile(), stop = stop_] {
    RunEnd end;
    try {
      const auto outcome = session->Update(selection, *stop);
      end.done = outcome.Done();
      end.labelText = outcome.labelText;
    } catch (const db::DbError& error) {
      end.labelText = "Update not done: " + S(PlainDbProblem(error, database));
      end.message = ErrorText(error, database);
    } catch (const std::exception& error) {
      end.labelText = std::string("Update not done: ") + error.what();
      end.message = Q(error.what());
    }
    return end;
  });
}

void Form1::Command2_Click() {
  if (RunGoing() || !session_) return;
  batch_dialog::MainWindowLists lists;
  for (const auto& filter : query::kFilters) lists[filter.id] = Entries(Box(filter.id));
  auto dialog = std::make_unique<batch_dialog::Form2>(std::move(lists), modals_, this);
  modals_.ShowModal(*dialog);
  const auto handOff = batch_dialog::ReadBatchSelection(*dialog);
  ++runsNotDone_;              // a batch not started did not do what it was asked
  if (!handOff.count) return;  // the dialog goes with `dialog`
  const auto prefix = modals_.InputBox(this, QStringLiteral("Type the filename prefix you want"),
                                       QStringLiteral("Filename prefix"), QStringLiteral("Prefix"));
  if (!prefix || prefix->isEmpty()) return;
  --runsNotDone_;  // from here the run's end counts it

  query::BatchRequest request{
      std::to_string(*handOff.count), S(handOff.unit), {}, handOff.selected, S(*prefix), ReadSelection()};
  for (const auto& item : handOff.items) request.items.push_back(S(item));
  cancelButton_->setEnabled(true);
  cancelButton_->show();
  const auto beforeItem = [this](const query::BatchStep& step) {
    QMetaObject::invokeMethod(
        this, [this, step] { ShowBatchStep(step.statusText, step.hourglass); }, Qt::QueuedConnection);
  };
  StartRun([session = session_.get(), office = &office_, request = std::move(request), stop = stop_,
            hold = batchHold_, beforeItem, files = batchFileOptions_, database = DatabaseFile()] {
    RunEnd end;
    try {
      auto batch = query::StartBatch(*session, request);
      const auto outcome = query::RunBatch(batch, beforeItem, [&stop, &hold] {
        hold->WaitWhileHeld();
        return stop->Requested();
      });
      end.labelText = outcome.labelText;
      end.done = outcome.Complete() && outcome.processed == query::SelectedItemCount(request);
      // The summary and the PDFs come from the same office, on the same thread, after the last copy.
      end.batchFiles =
          batch_summary::WriteBatchFiles(*office, session->ProgramFolder(), request, outcome, files);
      if (end.batchFiles) {
        end.labelText = batch_summary::LabelWithSummary(outcome.labelText, *end.batchFiles);
        end.done = end.done && end.batchFiles->problems.empty();
      }
    } catch (const db::DbError& error) {
      end.labelText = "Batch not done: " + S(PlainDbProblem(error, database));
      end.message = ErrorText(error, database);
    } catch (const std::exception& error) {
      end.labelText = std::string("Batch not done: ") + error.what();
      end.message = Q(error.what());
    }
    return end;
  });
}

void Form1::ShowBatchStep(const std::string& statusText, bool /*hourglass*/) {
  // The wait cursor is up for the whole run, whatever the unit.
  SetLabel1(statusText);
}

void Form1::CancelRun() {
  if (!runGoing_) return;
  stop_->Request();
  cancelButton_->setEnabled(false);
}

void Form1::StartRun(std::function<RunEnd()> work) {
  runGoing_ = true;
  closeWhenRunEnds_ = false;
  stop_->Reset();
  SetRunning(true);
  runWatcher_.setFuture(QtConcurrent::run(&runThread_, std::move(work)));
}

void Form1::ShowRunEnd() {
  const RunEnd end = runWatcher_.result();
  if (end.labelText) SetLabel1(*end.labelText);
  if (end.batchFiles) lastBatchFiles_ = end.batchFiles;
  if (!end.done) ++runsNotDone_;
  SetRunning(false);
  if (end.message) modals_.ShowMessage(this, *end.message);
  // Only now, with its message answered, has the run ended for the user.
  runGoing_ = false;
  emit RunEnded();
  if (closeWhenRunEnds_) close();
}

// While a run goes the window leaves the database to it: nothing that reads a list or starts a run can be
// used, and the wait cursor is up.
void Form1::SetRunning(bool running) {
  if (running) focusBeforeRun_ = focusWidget();
  for (auto* frame : frames_) frame->setEnabled(!running);
  for (int i = 0; i < 3; ++i) combos_[i]->setEnabled(!running);
  command1_->setEnabled(!running);
  batchAction_->setEnabled(!running);
  pdfAction_->setEnabled(!running);
  if (running) {
    SetMousePointer(kHourglass);
  } else {
    cancelButton_->hide();
    SetMousePointer(kDefaultPointer);
    // A control greyed for the run lost the focus with it; the user goes on where they were.
    if (focusBeforeRun_) focusBeforeRun_->setFocus();
  }
}

void Form1::WaitForRun() {
  if (!RunGoing()) return;
  QEventLoop loop;
  connect(this, &Form1::RunEnded, &loop, &QEventLoop::quit);
  loop.exec();
}

// Closing between runs closes; during one, the user chooses whether to stop after the item in hand. No new
// item starts while the question is open, and the run may end meanwhile: then Yes closes at once.
void Form1::closeEvent(QCloseEvent* event) {
  if (!RunGoing()) {
    event->accept();
    return;
  }
  event->ignore();
  if (askingToClose_) return;  // the question is open already
  askingToClose_ = true;
  batchHold_->Hold();
  const bool stop = modals_.AskYesNo(this, kStopQuestion);
  batchHold_->Release();
  askingToClose_ = false;
  if (!stop) return;
  if (!RunGoing()) {
    event->accept();
    return;
  }
  closeWhenRunEnds_ = true;
  stop_->Request();
  cancelButton_->setEnabled(false);
}

}  // namespace quorvia::app
