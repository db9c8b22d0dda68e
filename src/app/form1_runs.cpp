// The window's runs: UPDATE QUERY and the batch, each on the run thread, with the window answering
// meanwhile: it shows the progress, can stop a batch after the item in hand or an update while it reads,
// and is closed only between items.
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeySequence>
#include <QShortcut>
#include <utility>

#include "app/form1.h"
#include "app/qt_text.h"
#include "batch_dialog/batch_selection.h"
#include "batch_dialog/form2.h"
#include "query/batch_run.h"
#include "ui_common/modal_host.h"

namespace quorvia::app {
namespace {

const QString kStopQuestion = QStringLiteral(
    "Quorvia is still running. Stop after the item in hand and close the window? That item is finished "
    "first, so nothing is left half-written.");

}  // namespace

Form1::~Form1() = default;

void Form1::BuildRunControls() {
  ConnectController();

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
  if (RunGoing() || !controller_.Session()) return;
  cancelButton_->setEnabled(true);
  cancelButton_->show();
  if (controller_.Update(ReadSelection())) SetRunning(true);
}

void Form1::Command2_Click() {
  if (RunGoing() || !controller_.Session()) return;
  batch_dialog::MainWindowLists lists;
  for (const auto& filter : query::kFilters) lists[filter.id] = Entries(Box(filter.id));
  auto dialog = std::make_unique<batch_dialog::Form2>(std::move(lists), modals_, this);
  modals_.ShowModal(*dialog);
  const auto handOff = batch_dialog::ReadBatchSelection(*dialog);
  // A batch not started did not do what it was asked.
  if (!handOff.count) {  // the dialog goes with `dialog`
    controller_.CountBatchNotStarted();
    return;
  }
  const auto prefix = modals_.InputBox(this, QStringLiteral("Type the filename prefix you want"),
                                       QStringLiteral("Filename prefix"), QStringLiteral("Prefix"));
  if (!prefix || prefix->isEmpty()) {
    controller_.CountBatchNotStarted();
    return;
  }

  query::BatchRequest request{
      std::to_string(*handOff.count), S(handOff.unit), {}, handOff.selected, S(*prefix), ReadSelection()};
  for (const auto& item : handOff.items) request.items.push_back(S(item));
  cancelButton_->setEnabled(true);
  cancelButton_->show();
  if (controller_.Batch(std::move(request), batchFileOptions_)) SetRunning(true);
}

void Form1::CancelRun() {
  if (!RunGoing()) return;
  controller_.Cancel();
  cancelButton_->setEnabled(false);
}

// The controller's label texts and run ends, on the window's thread.
void Form1::ConnectController() {
  connect(&controller_, &run_control::RunController::LabelChanged, label1_, &QLabel::setText);
  connect(&controller_, &run_control::RunController::Ended, this,
          [this](const run_control::RunEnd& end) { ShowRunEnd(end); });
  connect(&controller_, &run_control::RunController::Finished, this, [this] { AfterRun(); });
}

void Form1::ShowRunEnd(const run_control::RunEnd& end) {
  SetRunning(false);
  if (end.message) modals_.ShowMessage(this, *end.message);
}

// Only now, with its message answered, has the run ended for the user.
void Form1::AfterRun() {
  emit RunEnded();
  if (std::exchange(closeWhenRunEnds_, false)) close();
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

void Form1::WaitForRun() { controller_.WaitForRun(); }

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
  controller_.Hold();
  const bool stop = modals_.AskYesNo(this, kStopQuestion);
  controller_.Release();
  askingToClose_ = false;
  if (!stop) return;
  if (!RunGoing()) {
    event->accept();
    return;
  }
  closeWhenRunEnds_ = true;
  CancelRun();
}

}  // namespace quorvia::app
