#pragma once

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "batch_summary/summary_files.h"
#include "query/country_status.h"
#include "query/criteria.h"
#include "query/filters.h"
#include "query/selection.h"
#include "run_control/run_controller.h"

namespace quorvia::db {
class Database;
class DbError;
}  // namespace quorvia::db

namespace quorvia::query {
class QuerySession;
}  // namespace quorvia::query

namespace quorvia::workbook {
class SpreadsheetSystem;
}

namespace quorvia::ui {
class ModalHost;
}

namespace quorvia::app {

// The main window: the country and filter boxes, the level and change-type buttons, the status labels and
// the two commands. Handlers are named after their control and event: each reads its controls into a value,
// hands it to the run's state (query::QuerySession) or to the run controller, and writes what comes back
// into the controls. Updates and batches run on the controller's thread, so the window keeps painting and
// answering; while one runs, the window leaves the database to it and starts no other.
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
  const std::optional<batch_summary::BatchFiles>& LastBatchFiles() const {
    return controller_.LastBatchFiles();
  }

  // Whether an update or a batch is running.
  bool RunGoing() const { return controller_.RunGoing(); }
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
  // Sets the controls to a selection made without the window (quorvia-run), as a user would: an entry in a
  // box's list is chosen, another text typed, a level button clicked; and the status label's text.
  void ShowSelection(const query::Selection& selection, const QString& statusText);

  // How many runs (updates, batches) since the window was built did not do everything they were asked:
  // refused, stopped by an error, the workbook or its cover page not written, or a batch item failed.
  int RunsNotDone() const { return controller_.RunsNotDone(); }
  // Also told every status that a run shows while it waits.
  void SetStatusEcho(std::function<void(const std::string&)> echo) {
    controller_.SetStatusEcho(std::move(echo));
  }

 signals:
  // A run has ended and its outcome is shown.
  void RunEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildRunControls();
  void BuildPdfAction();
  void ConnectController();
  void ShowRunEnd(const run_control::RunEnd& end);
  void AfterRun();
  void SetRunning(bool running);
  bool CountryNamed(const QString& text) const;
  void SayCountryNotNamed();
  void BuildLayout();
  void BuildFilterBoxes();
  void SetTabOrder();
  void ConnectHandlers();
  void FillCountryBox(const std::vector<std::string>& entries);
  void RunCountrySelection();
  void ShowDataStatus(const query::StatusDisplay& display);
  void SetChangeTypeButtons(bool hasChange1);
  void RefillFilterBox(QComboBox* box, const std::vector<std::string>& entries);
  void RefillLevelBox(const query::Filter& filter);
  std::optional<int> LevelIndex(const query::Filter& filter) const;
  query::FilterLevels Levels() const;
  query::QuerySession& Session() const { return *controller_.Session(); }
  std::size_t BoxIndex(const query::Filter& filter) const;
  QComboBox* Box(query::FilterId id) const { return filterBoxes_[query::IndexOf(id)]; }
  void SetLabel1(const std::string& text);
  std::string CountryCode() const;
  // The program folder's database file, named in messages about it.
  std::string DatabaseFile() const;

  std::string programFolder_;
  ui::ModalHost& modals_;
  workbook::SpreadsheetSystem& office_;
  run_control::RunController controller_;
  int mousePointer_ = kDefaultPointer;
  bool selectionRanForThisAction_ = false;
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
  // The country text last answered with a message, so that Enter and the focus leaving say it once.
  QString countryTextSaidNotNamed_;

  bool askingToClose_ = false;
  QPointer<QWidget> focusBeforeRun_;
  bool closeWhenRunEnds_ = false;
};

}  // namespace quorvia::app
