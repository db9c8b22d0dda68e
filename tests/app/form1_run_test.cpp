// The main window's runs on its run thread, its keys and menu, and typing in the country box: the real
// window offscreen on a real SQLite file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <future>

#include "app/form1.h"
#include "app/qt_text.h"
#include "batch_dialog/form2.h"
#include "demo_database.h"
#include "fake_spreadsheet.h"
#include "no_office.h"
#include "query/update_run.h"
#include "recording_modal_host.h"
#include "sqlite_fixture.h"
#include "two_countries.h"
#include "ui_common/qt_modal_host.h"

namespace quorvia::app {
namespace {

// AT: three NUTS 3 regions. FR: one record, no change1.
const std::string kTwoCountries = testing::InsertUnits("AT") + R"(
    ('FINAL', 'N1', 'Forests', '> 50 Km from shoreline', 'AT1', 'AT11', 'AT111', 'Lowlands', 'Low a'),
    ('FINAL', 'N2', 'Pastures', '> 50 Km from shoreline', 'AT1', 'AT12', 'AT121', 'Hills', 'Hill a'),
    ('FINAL', 'N3', 'Forests', '< 10 Km from shoreline', 'AT2', 'AT21', 'AT211', 'Hills', 'Hill b');)" +
                                  testing::AtRecordAndFrance();

// The fake office, held at the start of the n-th workbook refresh until the test lets it go: the run is
// then inside an item for as long as the test needs.
class GatedOffice final : public workbook::testing::FakeSpreadsheetSystem {
 public:
  explicit GatedOffice(int gateAt) : gateAt_(gateAt) {}
  std::unique_ptr<workbook::SpreadsheetApplication> GetRunningInstance() override {
    if (++asked_ == gateAt_) {
      reached = true;
      gate_.wait();
    }
    return FakeSpreadsheetSystem::GetRunningInstance();
  }
  void Release() { release_.set_value(); }
  std::atomic<bool> reached{false};

 private:
  const int gateAt_;
  std::atomic<int> asked_{0};
  std::promise<void> release_;
  std::shared_future<void> gate_ = release_.get_future().share();
};

bool WaitUntil(const std::function<bool()>& condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition() && clock.elapsed() < 30000) QTest::qWait(5);
  return condition();
}

class Form1RunTest : public ::testing::Test {
 protected:
  void Load(workbook::SpreadsheetSystem& office) {
    testing::ExecuteSql(
        folder.File("MOSA_DB.mdb"),
        testing::CountryTablesSql("AT") + testing::CountryTablesSql("FR", false) + kTwoCountries);
    form = std::make_unique<Form1>(folder.str(), modals, office);
    ASSERT_TRUE(form->Form_Load());
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  // The demo countries with FR grown to `records` records, in a window without an office.
  void LoadWithLargeFrance(int records) {
    tools::DemoOptions demo;
    demo.recordsPerCountry = 100;
    demo.largeCountry = "FR";
    demo.largeRecords = records;
    tools::WriteDemoDatabase(folder.File("MOSA_DB.mdb"), demo);
    form = std::make_unique<Form1>(folder.str(), modals, noOffice);
    ASSERT_TRUE(form->Form_Load());
  }
  // The batch dialog answered with NUTS 3 regions: AT111, AT121, AT211.
  void AnswerWithThreeRegions() {
    form->Option2(2)->click();
    modals.driveDialog = [this](QDialog& dialog) {
      auto& form2 = dynamic_cast<batch_dialog::Form2&>(dialog);
      form2.List1(0)->findItems("Nuts", Qt::MatchExactly).front()->setSelected(true);
      form2.Command1_Click();
      for (int row = 0; row < 3; ++row) form2.List1(1)->item(row)->setSelected(true);
      form2.Command1_Click();
    };
  }
  void TypeIntoCountryBox(const QString& keys) {
    QLineEdit* edit = form->Combo1()->lineEdit();
    form->Combo1()->setFocus();
    edit->clear();
    for (const QChar key : keys) QTest::keyClick(edit, key.toLatin1());
  }

  testing::TempFolder folder;
  RecordingModalHost modals;
  workbook::testing::NoOffice noOffice;
  std::unique_ptr<Form1> form;
};

TEST_F(Form1RunTest, CtrlBAndTheContextMenuClickTheHiddenBatchButton) {
  Load(noOffice);
  QTest::keyClick(form.get(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(modals.modalShows, 1);

  // A right click on the window (here on the status label) offers "Batch query…".
  QStringList offered;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    for (auto* action : menu->actions()) offered << action->text();
    menu->close();
    menu->actions().front()->trigger();
  });
  const QPoint at(5, 5);
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, form->Label3()->mapToGlobal(at));
  QApplication::sendEvent(form->Label3(), &rightClick);
  EXPECT_EQ(offered, (QStringList{"Batch query…", "Save report as PDF…"}));
  EXPECT_EQ(modals.modalShows, 2);
  EXPECT_FALSE(form->Command2()->isVisible());
  EXPECT_FALSE(form->RunGoing());  // both dialogs were left without a choice
}

TEST_F(Form1RunTest, ABatchCancelledInItsFirstItemFinishesThatItemOnlyAndSaysOneOfThree) {
  GatedOffice office(2);  // the first item's copy
  Load(office);
  AnswerWithThreeRegions();
  EXPECT_FALSE(form->CancelButton()->isVisible());
  form->Command2()->click();
  ASSERT_TRUE(WaitUntil([&] { return office.reached.load(); }));
  QTest::qWait(20);
  EXPECT_EQ(form->Label1()->text(), "Processing update 1 of 3...");
  EXPECT_TRUE(form->CancelButton()->isVisible());
  EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);
  EXPECT_FALSE(form->Combo1()->isEnabled());  // the database is the run's until it ends
  QTest::keyClick(form.get(), Qt::Key_Escape);
  office.Release();
  form->WaitForRun();

  EXPECT_TRUE(form->Label1()->text().startsWith("Stopped: 1 of 3 items done; not run: "))
      << form->Label1()->text().toStdString();
  EXPECT_EQ(office.State().copies, std::vector<std::string>{folder.File("Prefix_AT111.xls")});
  EXPECT_EQ(form->Conditions().fragments.nutsRegion, " AND N3 = \"AT111\"");
  EXPECT_FALSE(form->CancelButton()->isVisible());
  EXPECT_NE(form->cursor().shape(), Qt::WaitCursor);
  EXPECT_TRUE(form->Combo1()->isEnabled());
  EXPECT_EQ(form->RunsNotDone(), 1);
}

TEST_F(Form1RunTest, ClosingDuringARunAsksThenClosesAfterTheItemInHand) {
  GatedOffice office(1);
  Load(office);
  AnswerWithThreeRegions();
  form->Command2()->click();
  ASSERT_TRUE(WaitUntil([&] { return office.reached.load(); }));
  modals.yesAnswer = false;
  form->close();
  EXPECT_TRUE(form->isVisible());
  modals.yesAnswer = true;
  form->close();
  EXPECT_EQ(modals.questions.size(), 2);
  EXPECT_TRUE(form->isVisible()) << "the item in hand comes first";
  office.Release();
  form->WaitForRun();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(form->Label1()->text().startsWith("Stopped: 1 of 3 items done; not run: "))
      << form->Label1()->text().toStdString();
  EXPECT_EQ(office.State().copies.size(), 1u);
  EXPECT_EQ(office.State().saves, 1);
}

TEST_F(Form1RunTest, NoItemStartsWhileTheQuestionIsOpenAndYesClosesEvenWhenTheRunEndedMeanwhile) {
  GatedOffice office(1);
  Load(office);
  AnswerWithThreeRegions();
  form->Command2()->click();
  ASSERT_TRUE(WaitUntil([&] { return office.reached.load(); }));
  // The item in hand finishes while the user reads the question; the next one waits for the answer.
  modals.whileAsking = [&] {
    office.Release();
    QTest::qWait(500);
    EXPECT_EQ(office.State().copies.size(), 1u);
    EXPECT_TRUE(form->RunGoing());
  };
  modals.yesAnswer = false;
  form->close();
  ASSERT_TRUE(WaitUntil([&] { return !form->RunGoing(); }));
  EXPECT_EQ(office.State().copies.size(), 3u) << "No goes on";
  EXPECT_TRUE(form->isVisible());

  // Closing during an update asks too; the update ends while the question is open, and Yes still closes.
  GatedOffice last(1);
  form = std::make_unique<Form1>(folder.str(), modals, last);
  ASSERT_TRUE(form->Form_Load());
  form->show();
  form->Command1()->click();
  ASSERT_TRUE(WaitUntil([&] { return last.reached.load(); }));
  modals.whileAsking = [&] {
    last.Release();
    EXPECT_TRUE(WaitUntil([&] { return !form->RunGoing(); }));
  };
  modals.yesAnswer = true;
  form->close();
  EXPECT_EQ(modals.questions.size(), 2);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(Form1RunTest, TypingACountryShowsNoMessageAndEndsOnItsLists) {
  Load(noOffice);
  TypeIntoCountryBox("FR");
  EXPECT_TRUE(modals.messages.isEmpty()) << modals.messages.join("\n").toStdString();
  EXPECT_EQ(form->Combo1()->currentText(), "FR");
  EXPECT_EQ(Entries(form->Combo4()), (QStringList{"All", "F1"}));
  EXPECT_EQ(form->Label3()->text(), "--> PRELIMINARY Data");
  TypeIntoCountryBox("at");  // in any letter case
  EXPECT_EQ(Entries(form->Combo4()), (QStringList{"All", "N1", "N2", "N3"}));
  EXPECT_TRUE(modals.messages.isEmpty());
}

TEST_F(Form1RunTest, ATextNamingNoCountryIsSaidOnceOnEnterOrLeaving) {
  Load(noOffice);
  const QStringList lists = Entries(form->Combo4());
  TypeIntoCountryBox("XY");
  EXPECT_TRUE(modals.messages.isEmpty());
  EXPECT_EQ(Entries(form->Combo4()), lists);  // nothing changed
  QTest::keyClick(form->Combo1()->lineEdit(), Qt::Key_Return);
  ASSERT_EQ(modals.messages.size(), 1);
  EXPECT_TRUE(modals.messages[0].contains("\"XY\" names no country")) << modals.messages[0].toStdString();
  QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(form->Combo1(), &leaving);
  EXPECT_EQ(modals.messages.size(), 1);

  TypeIntoCountryBox("Z");
  QApplication::sendEvent(form->Combo1(), &leaving);
  EXPECT_EQ(modals.messages.size(), 2);
}

// The update on a country of 1,000,000 records runs while the window's event loop goes on.
TEST_F(Form1RunTest, ALongUpdateLeavesTheWindowAnsweringAndTakesNoSecondRun) {
  ASSERT_NO_FATAL_FAILURE(LoadWithLargeFrance(1'000'000));
  form->Combo1()->setEditText("FR France");
  int ended = 0;
  QObject::connect(form.get(), &Form1::RunEnded, [&] { ++ended; });
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(10);

  form->Command1()->click();
  EXPECT_TRUE(form->RunGoing());
  form->Command1_Click();  // as F5 or a second click would
  QTest::keyClick(form.get(), Qt::Key_F5);
  form->WaitForRun();
  EXPECT_GE(ticks, 3) << "the event loop stood still during the update";
  QTest::qWait(50);
  EXPECT_FALSE(form->RunGoing());
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(form->Label1()->text().contains("records selected")) << form->Label1()->text().toStdString();
  EXPECT_TRUE(modals.messages.isEmpty()) << modals.messages.join("\n").toStdString();
}

// Esc while an update of a large country reads its figures stops it, and nothing is changed.
TEST_F(Form1RunTest, EscDuringALongUpdateCancelsItAndChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(LoadWithLargeFrance(300'000));
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->Combo1()->setEditText("FR France");
  const auto filtered = [this] {
    return testing::QueryText(folder.File("MOSA_DB.mdb"),
                              "SELECT sql FROM sqlite_master WHERE name = 'FILTERED'");
  };
  const std::string before = filtered();

  form->Command1()->click();
  EXPECT_TRUE(form->CancelButton()->isVisible());
  QTest::keyClick(form.get(), Qt::Key_Escape);
  form->WaitForRun();
  EXPECT_EQ(form->Label1()->text().toStdString(), query::kUpdateCancelled);
  EXPECT_EQ(filtered(), before);
  EXPECT_FALSE(form->CancelButton()->isVisible());
  EXPECT_EQ(form->RunsNotDone(), 1);
}

TEST(Form1Dialogs, DialogsAreCentredOverTheWindowEvenBeforeItShows) {
  testing::TempFolder folder;
  testing::ExecuteSql(folder.File("MOSA_DB.mdb"),
                      testing::CountryTablesSql("CH") + testing::InsertUnits("CH") +
                          "('FINAL','W','D','C','CH1','CH11','CH111','E1','E2');");
  ui::QtModalHost modals;
  workbook::testing::NoOffice office;
  Form1 form(folder.str(), modals, office);
  ASSERT_TRUE(form.Form_Load());
  QRect dialog;
  QTimer::singleShot(0, [&] {
    if (auto* box = QApplication::activeModalWidget()) {
      dialog = box->frameGeometry();
      box->close();
    }
  });
  modals.ShowMessage(&form, QStringLiteral("Centred?"));
  const QPoint centre = form.frameGeometry().center();
  EXPECT_LE((dialog.center() - centre).manhattanLength(), 2) << dialog.x() << "," << dialog.y();
  EXPECT_LE((QGuiApplication::primaryScreen()->availableGeometry().center() - centre).manhattanLength(), 2);
}

}  // namespace
}  // namespace quorvia::app
