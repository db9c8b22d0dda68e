#pragma once

#include <QDialog>
#include <array>
#include <optional>

#include "batch_dialog/main_window_lists.h"
#include "ui_common/modal_host.h"

class QKeyEvent;
class QLabel;
class QListWidget;
class QPushButton;

namespace quorvia::batch_dialog {

// The batch query dialog: on the unit page the user picks one analytical unit, on the item page one or more
// of its items. It never destroys itself: it ends its modal display by hiding, so the caller can read the
// lists and the batch result (ChosenCount; Label2 shows it) and then destroy it.
class Form2 : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and runs the load step: unit page, six units, nothing selected, empty result.
  // `modals` must outlive the dialog.
  Form2(MainWindowLists lists, ui::ModalHost& modals, QWidget* parent = nullptr);

  QLabel* Label1() const { return label1_; }
  QLabel* Label2() const { return label2_; }
  QListWidget* List1(int index) const { return list1_.at(static_cast<std::size_t>(index)); }  // 0 or 1
  QPushButton* Command1() const { return command1_; }
  QPushButton* Command2() const { return command2_; }
  QPushButton* Command3() const { return command3_; }
  QPushButton* Command4() const { return command4_; }
  QPushButton* Command5() const { return command5_; }

  void Command1_Click();  // "Next -->"
  void Command2_Click();  // "Cancel"
  void Command3_Click();  // "<-- Back"
  void Command4_Click();  // "Select all" / "Unselect all"
  void Command5_Click();  // "iNVERSE selection"

  // 0 while the unit page shows, 1 while the item page shows.
  int PageCounter() const { return pageCounter_; }
  // The batch result: how many items were chosen; nothing while the dialog shows or when it was cancelled
  // or closed.
  std::optional<int> ChosenCount() const { return chosenCount_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  void Load();
  void LeaveUnitPage();
  void LeaveItemPage();
  void SetItemPageButtonsEnabled(bool enabled);
  void SetResult(std::optional<int> chosenCount);

  MainWindowLists lists_;
  ui::ModalHost& modals_;
  int pageCounter_ = 0;
  std::optional<int> chosenCount_;

  QLabel* label1_ = nullptr;
  QPushButton* command2_ = nullptr;
  std::array<QListWidget*, 2> list1_{};
  QPushButton* command3_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command4_ = nullptr;
  QPushButton* command5_ = nullptr;
  QLabel* label2_ = nullptr;
};

}  // namespace quorvia::batch_dialog
