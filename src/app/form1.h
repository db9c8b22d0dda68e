#pragma once

#include <QAction>
#include <QComboBox>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QThreadPool>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "batch_summary/summary_files.h"
#include "query/criteria.h"
#include "query/filters.h"
#include "query/run_stop.h"
#include "query/selection.h"

namespace quorvia::db {
class Database;
class DbError;
}  // namespace quorvia::db

namespace quorvia::query {
class QuerySession;
class BatchHold;
}  // namespace quorvia::query

namespace quorvia::workbook {
class SpreadsheetSystem;
}

namespace quorvia::ui {
class ModalHost;
}

namespace quorvia::app {

// What a run (an update or a batch) leaves for the window when it ends on the run thread.
struct RunEnd {
  std::optional<std::string> labelText;                 // nothing: the label stays as the run left it
  bool done = false;                                    // everything the run was asked for happened
  std::optional<QString> message;                       // an error to put to the user
  std::optional<batch_summary::BatchFiles> batchFiles;  // a batch's summary and PDFs, when it wrote any
};

// The main window: the country and filter boxes, the level and change-type buttons, the status labels and
// the two commands. Handlers are named after their control and event: each reads its controls into a value,
// hands it to the run's state (query::QuerySession) and writes what comes back into the controls.
// Updates and batches run on a thread of their own, so the window keeps painting and answering; while one
// runs, the window leaves the database to it and starts no other.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  Form1(std::string programFolder, ui::ModalHost& modals, workbook::SpreadsheetSystem& office,
        QWidget* parent = nullptr);
  ~Form1() override;

  // Opens the database and chooses the first country. False when the program cannot go on (the reason
  // has been shown).
  bool Form_Load();

  // Handlers.
  void Combo1_Change();
  void Combo1_Click();
  void Option1_Click(int index);
  void Option2_Click(int index);
  void Command1_Click();
  void Command2_Click();
  // Esc or the Cancel button while a run goes: a batch stops after the item in hand; an update stops
  // at once while it reads its figures (nothing is changed), and finishes when it is further on.
  // From the window's thread.
  void CancelRun();

  // Window procedures.
  void AfegimNUTS();
  void AfegimEBK();

  // Controls, named as on the form.
  QComboBox* Combo1() const { return combos_[0]; }  // country
  QComboBox* Combo2() const { return combos_[1]; }  // NUTS region
  QComboBox* Combo3() const { return combos_[2]; }  // elevation breakdown
  QComboBox* Combo4() const { return combos_[3]; }  // watershed code
  QComboBox* Combo5() const { return combos_[4]; }  // distance to shoreline
  QComboBox* Combo6() const { return combos_[5]; }  // dominant land cover type
  QRadioButton* Option1(int index) const { return option1_.at(index); }
  QRadioButton* Option2(int index) const { return option2_.at(index); }
  QRadioButton* Option3(int index) const { return option3_.at(index); }
  QLabel* Label1() const { return label1_; }
  QLabel* Label2(int index) const { return label2_.at(index); }
  QLabel* Label3() const { return label3_; }
  QPushButton* Command1() const { return command1_; }
  QPushButton* Command2() const { return command2_; }
  QGroupBox* Frame(int number) const { return frames_.at(number - 1); }
  QPushButton* CancelButton() const { return cancelButton_; }
  // "Batch query…" (Ctrl+B), offered by the window's context menu.
  QAction* BatchAction() const { return batchAction_; }

  // "Save report as PDF…", offered by the window's context menu: asks for a file, then SaveReportAsPdf.
  QAction* PdfAction() const { return pdfAction_; }
  void SaveReportAsPdf_Click();
  // Writes the report's cover and report pages as one PDF file, on the run thread.
  void SaveReportAsPdf(const std::string& pdfPath);
  // What a batch writes besides its copies (a summary by default), and what the last batch wrote.
  void SetBatchFileOptions(const batch_summary::BatchFileOptions& options) { batchFileOptions_ = options; }
  const std::optional<batch_summary::BatchFiles>& LastBatchFiles() const { return lastBatchFiles_; }

  // Whether an update or a batch is running.
  bool RunGoing() const { return runGoing_; }
  // Returns once the run going, if any, has ended and its outcome is shown (for scripts and tests).
  void WaitForRun();

  // The run's state, kept by the session once the database is open.
  const std::string& NutsField() const;
  const std::string& EbkField() const;
  const query::SelectionTexts& SelectionTexts() const;
  const query::Conditions& Conditions() const;

  // The mouse pointer values.
  static constexpr int kHourglass = 11;
  static constexpr int kDefaultPointer = 0;
  void SetMousePointer(int value);
  int MousePointer() const { return mousePointer_; }

  // The selection as plain values.
  query::Selection ReadSelection() const;

  // How many runs (updates, batches) since the window was built did not do everything they were asked:
  // refused, stopped by an error, the workbook or its cover page not written, or a batch item failed.
  int RunsNotDone() const { return runsNotDone_; }
  // Also told every status that a run shows while it waits (the runner prints it on standard error).
  void SetStatusEcho(std::function<void(const std::string&)> echo) { statusEcho_ = std::move(echo); }

 signals:
  // A run has ended and its outcome is shown.
  void RunEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildRunControls();
  void BuildPdfAction();
  // Runs `work` on the run thread; its end is shown by ShowRunEnd.
  void StartRun(std::function<RunEnd()> work);
  void ShowRunEnd();
  void SetRunning(bool running);
  void ShowBatchStep(const std::string& statusText, bool hourglass);
  bool CountryNamed(const QString& text) const;
  void SayCountryNotNamed();
  void BuildLayout();
  void BuildFilterBoxes();
  void SetTabOrder();
  void ConnectHandlers();
  void FillCountryBox();
  void RunCountrySelection();
  void ShowDataStatus(const std::string& countryCode);
  void SetChangeTypeButtons(const std::string& countryCode);
  void RefillFilterBox(QComboBox* box, const std::vector<std::string>& entries);
  void RefillLevelBox(const query::Filter& filter);
  std::optional<int> LevelIndex(const query::Filter& filter) const;
  std::size_t BoxIndex(const query::Filter& filter) const;
  QComboBox* Box(query::FilterId id) const { return filterBoxes_[query::IndexOf(id)]; }
  void SetLabel1(const std::string& text);
  std::string CountryCode() const;
  void ReportError(const db::DbError& error);
  void ReportError(const std::exception& error);
  // The program folder's database file, named in messages about it.
  std::string DatabaseFile() const;

  std::string programFolder_;
  ui::ModalHost& modals_;
  workbook::SpreadsheetSystem& office_;
  std::unique_ptr<query::QuerySession> session_;
  int mousePointer_ = kDefaultPointer;
  bool selectionRanForThisAction_ = false;
  int runsNotDone_ = 0;
  std::function<void(const std::string&)> statusEcho_;
  // Whether each box's list was read for the country shown; a box without one holds no selection.
  std::array<bool, query::kFilterCount> listLoaded_{};

  std::array<QGroupBox*, 3> frames_{};
  // A box and its caption for each filter, in the order of their numbers (Combo1, Label2(0), ...).
  std::array<QComboBox*, query::kFilterCount> combos_{};
  std::array<QRadioButton*, 2> option1_{};
  std::array<QRadioButton*, 3> option2_{};
  std::array<QRadioButton*, 2> option3_{};
  std::array<QLabel*, query::kFilterCount> label2_{};
  // The layout's box of each filter (by the filter's id), and the level buttons of a levelled filter.
  std::array<QComboBox*, query::kFilterCount> filterBoxes_{};
  std::array<std::span<QRadioButton* const>, query::kFilterCount> levelButtons_{};
  QLabel* label1_ = nullptr;
  QLabel* label3_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QAction* batchAction_ = nullptr;
  QAction* pdfAction_ = nullptr;
  batch_summary::BatchFileOptions batchFileOptions_;
  std::optional<batch_summary::BatchFiles> lastBatchFiles_;
  // The country text last answered with a message, so that Enter and the focus leaving say it once.
  QString countryTextSaidNotNamed_;

  // The run thread: one thread, kept while the window lives, so that every office and database call of
  // one run is made from the same thread and an office started for a run is not ended with its thread.
  QThreadPool runThread_;
  QFutureWatcher<RunEnd> runWatcher_;
  std::shared_ptr<query::RunStop> stop_ = std::make_shared<query::RunStop>();
  // Held while the window asks whether to stop: the batch starts no item until the answer.
  std::shared_ptr<query::BatchHold> batchHold_;
  bool askingToClose_ = false;
  // From the start of a run until its end has been shown (and its message answered).
  bool runGoing_ = false;
  QPointer<QWidget> focusBeforeRun_;
  bool closeWhenRunEnds_ = false;
};

}  // namespace quorvia::app
