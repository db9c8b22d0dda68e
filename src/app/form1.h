#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <array>
#include <memory>
#include <span>
#include <string>

#include "criteria.h"
#include "selection.h"
#include "workbook_call.h"

namespace quorvia::db {
class Database;
class DbError;
}  // namespace quorvia::db

namespace quorvia::workbook {
class SpreadsheetSystem;
}

namespace quorvia::ui {
class ModalHost;
}

namespace quorvia::app {

// The main window: the country and filter boxes, the level and change-type buttons, the status labels and
// the two commands. Handlers are named after their control and event; they read the controls and call
// plain functions of the query and workbook libraries.
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

  // Window procedures.
  void AfegimNUTS();
  void AfegimEBK();
  void Updata(const std::string& Sql);

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

  // Window-level state.
  const std::string& NutsField() const { return nutsField_; }
  const std::string& EbkField() const { return ebkField_; }
  const query::SelectionTexts& SelectionTexts() const { return selectionTexts_; }
  const query::Conditions& Conditions() const { return conditions_; }
  db::Database* WorkDb() const { return workDb_.get(); }
  const std::string& ProgramFolder() const { return programFolder_; }

  // The mouse pointer: 11 hourglass, 0 default.
  void SetMousePointer(int value);
  int MousePointer() const { return mousePointer_; }

  // The selection as plain values.
  query::Selection ReadSelection() const;

 private:
  void BuildLayout();
  void ConnectHandlers();
  void FillCountryBox();
  void RunCountrySelection();
  void ShowDataStatus(const std::string& countryCode);
  void SetChangeTypeButtons(const std::string& countryCode);
  void RefillFilterBox(QComboBox* box, const std::string& sql, const std::string& column);
  // Refills a level box from the column of its selected level button; returns that column's name.
  std::string RefillLevelBox(std::span<QRadioButton* const> levelButtons, QComboBox* box,
                             std::string (*column)(int),
                             std::string (*query)(const std::string&, const std::string&));
  void SetLabel1(const std::string& text);
  std::string CountryCode() const;
  void ReportError(const db::DbError& error);
  void ReportError(const std::exception& error);
  query::RefreshWorkbookFn WorkbookRefresher();

  std::string programFolder_;
  ui::ModalHost& modals_;
  workbook::SpreadsheetSystem& office_;
  std::unique_ptr<db::Database> workDb_;
  std::string nutsField_;
  std::string ebkField_;
  query::SelectionTexts selectionTexts_;
  query::Conditions conditions_;
  int mousePointer_ = 0;
  bool selectionRanForThisAction_ = false;

  std::array<QGroupBox*, 3> frames_{};
  std::array<QComboBox*, 6> combos_{};
  std::array<QRadioButton*, 2> option1_{};
  std::array<QRadioButton*, 3> option2_{};
  std::array<QRadioButton*, 2> option3_{};
  std::array<QLabel*, 6> label2_{};
  QLabel* label1_ = nullptr;
  QLabel* label3_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
};

}  // namespace quorvia::app
