#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <vector>

#include "batch_dialog/batch_selection.h"
#include "batch_dialog/form2.h"

namespace quorvia::batch_dialog {
namespace {

// Records messages instead of blocking on a message box.
class RecordingModalHost : public ui::ModalHost {
 public:
  void ShowMessage(QWidget*, const QString& text) override { messages.append(text); }
  std::optional<QString> InputBox(QWidget*, const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  void ShowModal(QDialog& dialog) override { dialog.show(); }
  bool AskYesNo(QWidget*, const QString&) override { return false; }
  void RunWithProgress(QWidget*, const std::function<void(ProgressReport&)>&) override {}
  QStringList messages;
};

const QString kNoUnit = "You must select one item from the list!";
const QString kNoItem = "You must select at least one item from the list!";

MainWindowLists SampleLists() {
  using query::FilterId;
  MainWindowLists lists;
  lists[FilterId::country] = {"AT Oesterreich", "ES España", "FR France"};
  lists[FilterId::nutsRegion] = {"All", "FR10", "FR21", "FR22", "FR23"};
  lists[FilterId::elevation] = {"All"};
  lists[FilterId::watershed] = {"All", "W01", "W02"};
  lists[FilterId::shoreline] = {"All", "< 10 Km from shoreline"};
  return lists;
}

QStringList Texts(const QListWidget& list) {
  QStringList texts;
  for (int row = 0; row < list.count(); ++row) texts.append(list.item(row)->text());
  return texts;
}

std::vector<int> SelectedRows(const QListWidget& list) {
  std::vector<int> rows;
  for (int row = 0; row < list.count(); ++row) {
    if (list.item(row)->isSelected()) rows.push_back(row);
  }
  return rows;
}

class Form2Test : public ::testing::Test {
 protected:
  QListWidget& units() { return *dialog.List1(0); }
  QListWidget& items() { return *dialog.List1(1); }
  bool ItemButtonsEnabled() {
    return dialog.Command3()->isEnabled() && dialog.Command4()->isEnabled() && dialog.Command5()->isEnabled();
  }
  void GoToItemPage(const QString& unit) {
    const auto found = units().findItems(unit, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    units().setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
    dialog.Command1_Click();
  }
  void ShowAndWait() {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }
  void ClickItem(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(items().viewport(), Qt::LeftButton, modifiers,
                      items().visualItemRect(items().item(row)).center());
  }

  RecordingModalHost modals;
  Form2 dialog{SampleLists(), modals};
};

TEST_F(Form2Test, LoadShowsUnitPageWithNothingChosenAtFixedRectangles) {
  EXPECT_EQ(dialog.windowTitle(), "Batch Query Dialog");
  EXPECT_EQ(Texts(units()), QStringList({"Country", "Nuts", "Elevation breakdown", "Dominant landcover type",
                                         "Distance to shoreline", "Watershed code"}));
  EXPECT_TRUE(SelectedRows(units()).empty());
  EXPECT_EQ(dialog.PageCounter(), 0);
  EXPECT_TRUE(items().isHidden());
  EXPECT_FALSE(dialog.Command3()->isEnabled() || dialog.Command4()->isEnabled() ||
               dialog.Command5()->isEnabled());
  EXPECT_TRUE(dialog.Label2()->isHidden());
  EXPECT_TRUE(dialog.Label2()->text().isEmpty());
  EXPECT_EQ(dialog.size(), QSize(312, 268));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_EQ(dialog.Label1()->geometry(), QRect(4, 6, 306, 33));
  EXPECT_EQ(dialog.Command2()->geometry(), QRect(119, 233, 81, 33));
  EXPECT_EQ(units().geometry(), QRect(4, 30, 305, 147));
  EXPECT_EQ(items().geometry(), units().geometry());
  EXPECT_EQ(dialog.Command3()->geometry(), QRect(205, 233, 52, 33));
  EXPECT_EQ(dialog.Command1()->geometry(), QRect(259, 233, 49, 33));
  EXPECT_EQ(dialog.Command4()->geometry(), QRect(4, 180, 75, 16));
  EXPECT_EQ(dialog.Command5()->geometry(), QRect(83, 180, 106, 16));
  EXPECT_EQ(dialog.Label2()->geometry(), QRect(8, 200, 145, 17));
}

// The rectangles are fixed, so the dialog's font must keep the prompt on one line above the list and every
// caption inside its button.
TEST_F(Form2Test, CaptionsFitTheirFixedRectangles) {
  const QFontMetrics prompt(dialog.Label1()->font());
  EXPECT_LE(prompt.horizontalAdvance(dialog.Label1()->text()), dialog.Label1()->width());
  EXPECT_LE(dialog.Label1()->y() + prompt.height(), units().y());
  const std::vector<std::pair<QPushButton*, QString>> captions{{dialog.Command1(), "Next -->"},
                                                               {dialog.Command2(), "Cancel"},
                                                               {dialog.Command3(), "<-- Back"},
                                                               {dialog.Command4(), "Unselect all"},
                                                               {dialog.Command5(), "iNVERSE selection"}};
  for (const auto& [button, caption] : captions) {
    const QFontMetrics metrics(button->font());
    EXPECT_LE(metrics.horizontalAdvance(caption) + 6, button->width()) << caption.toStdString();
    EXPECT_LE(metrics.height(), button->height()) << caption.toStdString();
  }
}

TEST_F(Form2Test, NextValidatesEachPageAndFillsItemsFromTheUnitsList) {
  units().setCurrentRow(2, QItemSelectionModel::NoUpdate);  // a focus frame is no choice
  dialog.Command1_Click();
  EXPECT_EQ(modals.messages, QStringList({kNoUnit}));
  EXPECT_EQ(dialog.PageCounter(), 0);
  EXPECT_TRUE(items().isHidden());

  GoToItemPage("Country");
  EXPECT_EQ(dialog.PageCounter(), 1);
  EXPECT_TRUE(units().isHidden() && !items().isHidden() && ItemButtonsEnabled());
  EXPECT_EQ(Texts(items()), QStringList({"at oesterreich", "es españa", "fr france"}));
  dialog.Command1_Click();
  EXPECT_EQ(modals.messages, QStringList({kNoUnit, kNoItem}));
  EXPECT_EQ(dialog.PageCounter(), 1);
  EXPECT_EQ(items().count(), 3);

  const std::vector<std::pair<QString, QStringList>> units{
      {"Nuts", {"FR10", "FR21", "FR22", "FR23"}},
      {"Elevation breakdown", {}},
      {"Dominant landcover type", {}},
      {"Distance to shoreline", {"< 10 Km from shoreline"}},
      {"Watershed code", {"W01", "W02"}}};
  for (const auto& [unit, expected] : units) {
    dialog.Command3_Click();
    GoToItemPage(unit);
    EXPECT_EQ(Texts(items()), expected) << unit.toStdString();
  }
}

TEST_F(Form2Test, BackKeepsTheUnitAndTheNextUnitRefillsFromScratch) {
  GoToItemPage("Nuts");
  items().item(1)->setSelected(true);
  dialog.Command3_Click();
  EXPECT_EQ(dialog.PageCounter(), 0);
  EXPECT_TRUE(!units().isHidden() && items().isHidden());
  EXPECT_FALSE(dialog.Command3()->isEnabled() || dialog.Command4()->isEnabled() ||
               dialog.Command5()->isEnabled());
  EXPECT_EQ(SelectedRows(units()), std::vector<int>{1});
  GoToItemPage("Watershed code");
  EXPECT_EQ(Texts(items()), QStringList({"W01", "W02"}));
  EXPECT_TRUE(SelectedRows(items()).empty());
}

TEST_F(Form2Test, SelectAllCaptionTogglesAndOutlivesInverseBackAndRefill) {
  GoToItemPage("Nuts");
  items().item(3)->setSelected(true);
  dialog.Command5_Click();
  EXPECT_EQ(SelectedRows(items()), (std::vector<int>{0, 1, 2}));
  dialog.Command4_Click();
  EXPECT_EQ(SelectedRows(items()), (std::vector<int>{0, 1, 2, 3}));
  dialog.Command5_Click();
  EXPECT_TRUE(SelectedRows(items()).empty());
  EXPECT_EQ(dialog.Command4()->text(), "Unselect all");
  dialog.Command3_Click();
  GoToItemPage("Elevation breakdown");  // empty list: the click only turns the caption
  dialog.Command4_Click();
  EXPECT_EQ(dialog.Command4()->text(), "Select all");
  dialog.Command4_Click();
  dialog.Command3_Click();
  GoToItemPage("Watershed code");
  EXPECT_TRUE(SelectedRows(items()).empty());
  EXPECT_EQ(dialog.Command4()->text(), "Unselect all");
}

TEST_F(Form2Test, ConfirmHandsOverTheCountAndTheSelection) {
  dialog.show();
  GoToItemPage("Nuts");
  items().item(0)->setSelected(true);
  items().item(3)->setSelected(true);
  dialog.Command1_Click();
  EXPECT_TRUE(dialog.isHidden());
  EXPECT_EQ(dialog.PageCounter(), 1);
  const BatchSelection selection = ReadBatchSelection(dialog);
  EXPECT_EQ(selection.count, 2);
  EXPECT_EQ(dialog.Label2()->text(), "2");  // the hidden label shows the same result
  EXPECT_EQ(selection.unit, "Nuts");
  EXPECT_EQ(selection.items, QStringList({"FR10", "FR21", "FR22", "FR23"}));
  EXPECT_EQ(selection.selected, (std::vector<bool>{true, false, false, true}));
}

TEST_F(Form2Test, CancelAndFrameCloseLeaveNoBatch) {
  dialog.show();
  dialog.Command2_Click();
  EXPECT_TRUE(dialog.isHidden());
  dialog.show();
  GoToItemPage("Nuts");
  dialog.Command4_Click();
  dialog.Command2_Click();
  EXPECT_TRUE(dialog.isHidden());
  EXPECT_TRUE(!ReadBatchSelection(dialog).count.has_value());
  dialog.show();
  EXPECT_TRUE(dialog.close());
  EXPECT_TRUE(dialog.isHidden());
  EXPECT_TRUE(!ReadBatchSelection(dialog).count.has_value());
}

TEST_F(Form2Test, KeyboardFocusStartsOnCancelReturnDoesNotDismissAndEscapeCancels) {
  ShowAndWait();
  EXPECT_EQ(dialog.focusWidget(), dialog.Command2());
  QTest::keyClick(dialog.Command2(), Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  QTest::keyClick(dialog.Command2(), Qt::Key_Tab);  // into the unit list: focus alone must choose nothing
  EXPECT_EQ(dialog.focusWidget(), &units());
  QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(&units(), &focusIn);
  EXPECT_TRUE(SelectedRows(units()).empty());

  // On the item page with items chosen, Escape still hands over no batch, as "Cancel" does.
  GoToItemPage("Nuts");
  ClickItem(0);
  QTest::keyClick(dialog.List1(1), Qt::Key_Escape);
  EXPECT_TRUE(dialog.isHidden());
  EXPECT_FALSE(ReadBatchSelection(dialog).count.has_value());
}

TEST_F(Form2Test, ItemListTakesClickShiftClickAndCtrlClick) {
  ShowAndWait();
  GoToItemPage("Nuts");
  ClickItem(0);
  ClickItem(2, Qt::ShiftModifier);
  EXPECT_EQ(SelectedRows(items()), (std::vector<int>{0, 1, 2}));
  ClickItem(1, Qt::ControlModifier);
  ClickItem(3, Qt::ControlModifier);
  EXPECT_EQ(SelectedRows(items()), (std::vector<int>{0, 2, 3}));
  QTest::mouseClick(dialog.Command1(), Qt::LeftButton);
  EXPECT_EQ(ReadBatchSelection(dialog).count, 3);
}

// The caller runs the dialog modally; hiding must end that run and leave the dialog readable.
TEST_F(Form2Test, HidingEndsARealModalRun) {
  QTimer::singleShot(0, &dialog, [this] {
    GoToItemPage("Watershed code");
    dialog.Command4_Click();
    dialog.Command1_Click();
  });
  QTimer::singleShot(10000, &dialog, [this] { dialog.done(-1); });  // only if hiding failed to end it
  EXPECT_NE(dialog.exec(), -1);
  EXPECT_EQ(ReadBatchSelection(dialog).count, 2);
}

}  // namespace
}  // namespace quorvia::batch_dialog
