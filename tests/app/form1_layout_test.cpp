// What the user sees of the main window: texts that show whole, and where the keyboard goes.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QToolTip>
#include <array>
#include <vector>

#include "app/form1.h"
#include "app/status_label.h"
#include "no_office.h"
#include "recording_modal_host.h"
#include "sqlite_fixture.h"
#include "ui_common/twips.h"

namespace quorvia::app {
namespace {

class Form1LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ExecuteSql(folder.File("MOSA_DB.mdb"),
                        testing::CountryTablesSql("AT") + testing::CountryTablesSql("CH") +
                            testing::InsertUnits("AT") +
                            "('FINAL', 'W1', 'Forests', 'Near', 'AT1', 'AT11', 'AT111', 'E1', 'E2');" +
                            testing::InsertUnits("CH") +
                            "('FINAL', 'W2', 'Forests', 'Far', 'CH0', 'CH01', 'CH011', 'E1', 'E2');");
    form = std::make_unique<Form1>(folder.str(), modals, office);
    ASSERT_TRUE(form->Form_Load());
  }

  testing::TempFolder folder;
  RecordingModalHost modals;
  workbook::testing::NoOffice office;
  std::unique_ptr<Form1> form;
};

// The box around every pixel of the window drawn in a dark red such as the outcome label's.
QRect RedTextBounds(const QImage& shot) {
  QRect bounds;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QColor pixel = shot.pixelColor(x, y);
      if (pixel.red() > 120 && pixel.green() < 90 && pixel.blue() < 90) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

TEST_F(Form1LayoutTest, AFailureNamingALongPathShowsTheFileNameAndTheReasonInsideTheWindow) {
  auto* label = dynamic_cast<StatusLabel*>(form->Label1());
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(form->rect().contains(label->geometry())) << label->geometry().right();
  EXPECT_TRUE(label->wordWrap());

  const QString path =
      "/home/analyst/projects/land-cover-change-2004/field-office-copies/quorvia-release-5/bin/"
      "MOSA_QUERY.xls";
  const QString text =
      "36 records selected \r\n Total Area (Ha): 91793\r\n Excel workbook NOT updated: Open " + path +
      ": Open: the workbook " + path + " does not exist";
  label->setText(text);
  const StatusDisplay display = label->Display();
  const QString& shown = display.text;
  // The folders are shortened in the middle; the file name and the reason around it show whole.
  EXPECT_TRUE(
      shown.contains(QRegularExpression(" NOT updated: Open /\\S*\u2026\\S*/MOSA_QUERY.xls: Open: the "
                                        "workbook /\\S*\u2026\\S*/MOSA_QUERY.xls does not exist$")))
      << shown.toStdString();
  EXPECT_TRUE(shown.startsWith("36 records selected \n Total Area (Ha): 91793\n")) << shown.toStdString();
  EXPECT_GE(display.font.pointSizeF(), 7.0);
  EXPECT_EQ(display.font.family(), label->font().family());
  const QRect needed =
      QFontMetrics(display.font).boundingRect(label->contentsRect(), Qt::AlignLeft | Qt::TextWordWrap, shown);
  EXPECT_LE(needed.height(), label->contentsRect().height());
  EXPECT_LE(needed.width(), label->contentsRect().width());
  EXPECT_EQ(label->text(), text);

  // On the window as drawn, the label's dark red text keeps clear of the label's right and bottom edges:
  // nothing of it is cut off.
  const QRect drawn = RedTextBounds(form->grab().toImage());
  EXPECT_TRUE(label->geometry().adjusted(0, 0, -1, -1).contains(drawn))
      << drawn.right() << "," << drawn.bottom();
  EXPECT_GT(drawn.height(), 3 * QFontMetrics(display.font).height());  // four lines

  form->show();
  QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(label, &hover);
  EXPECT_EQ(QToolTip::text(), text);

  const QString fitting =
      "1 records selected \r\n Total Area (Ha): 10\r\n Excel Woorkbook updated successfully !";
  label->setText(fitting);
  EXPECT_EQ(label->Display().text, QString(fitting).replace("\r\n", "\n"));
  EXPECT_EQ(label->Display().font, label->font());
}

TEST_F(Form1LayoutTest, ChangeTypeCaptionsShowWholeInTheWindowsFace) {
  for (int i = 0; i < 2; ++i) {
    const QRadioButton* option = form->Option3(i);
    EXPECT_LE(option->sizeHint().width(), option->width()) << option->text().toStdString();
    EXPECT_EQ(option->font().family(), form->Label2(0)->font().family());
    EXPECT_EQ(QFontInfo(option->font()).family(), QFontInfo(form->Label2(0)->font()).family());
    EXPECT_TRUE(option->font().stretch() == QFont::AnyStretch ||
                option->font().stretch() == QFont::Unstretched);
    EXPECT_GE(option->font().pointSizeF(), 6.0);
  }
  EXPECT_EQ(form->Option3(0)->font(), form->Option3(1)->font());
}

// A button lower than it asks to be cuts the bottom row of its circle.
TEST_F(Form1LayoutTest, OptionButtonsAreTallEnoughForTheirCircles) {
  std::vector<QRadioButton*> options;
  for (int i = 0; i < 2; ++i) options.push_back(form->Option1(i));
  for (int i = 0; i < 3; ++i) options.push_back(form->Option2(i));
  for (int i = 0; i < 2; ++i) options.push_back(form->Option3(i));
  for (const auto* option : options) {
    EXPECT_GE(option->height(), option->sizeHint().height()) << option->text().toStdString();
    EXPECT_TRUE(option->parentWidget()->rect().contains(option->geometry())) << option->text().toStdString();
  }
}

TEST_F(Form1LayoutTest, TheCountryListShowsItsLongestEntryWhole) {
  form->show();
  form->Combo1()->showPopup();
  const QAbstractItemView* list = form->Combo1()->view();
  EXPECT_GE(list->viewport()->width(),
            list->fontMetrics().horizontalAdvance("CH Schweiz / Suisse / Svizzera"));
  EXPECT_GT(list->width(), form->Combo1()->width());
  form->Combo1()->hidePopup();
}

TEST_F(Form1LayoutTest, ALongCountryEntryShowsItsStart) {
  const int ch = form->Combo1()->findText("CH Schweiz / Suisse / Svizzera");
  ASSERT_GE(ch, 0);
  form->Combo1()->setCurrentIndex(ch);
  emit form->Combo1()->activated(ch);
  EXPECT_EQ(form->Combo1()->lineEdit()->cursorPosition(), 0);
  EXPECT_EQ(form->Combo2()->itemText(1), "CH0");
}

// Where Tab or Shift+Tab from `from` lands.
QWidget* TabFrom(QWidget* from, bool backwards) {
  from->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                  backwards ? Qt::ShiftModifier : Qt::NoModifier);
  return QApplication::focusWidget();
}

// Each filter's box and caption keep the place, parent and first text that the form gives them; the
// boxes of the country, the region and the elevation belong to the window and are drawn over the frames.
TEST_F(Form1LayoutTest, FilterBoxesAndCaptionsKeepTheirPlaces) {
  struct Drawn {
    QComboBox* box;
    QWidget* boxParent;
    QRect boxTwips;
    const char* caption;
    QWidget* captionParent;
    QRect captionTwips;
  };
  QWidget* window = form.get();
  const std::array<Drawn, 6> drawn{{
      {form->Combo1(), window, {270, 810, 2205, 360}, "Country", form->Frame(1), {180, 465, 1215, 495}},
      {form->Combo2(), window, {2655, 810, 4605, 360}, "NUTS", form->Frame(1), {2535, 480, 1215, 495}},
      {form->Combo3(),
       window,
       {255, 1935, 6930, 360},
       "Elevation Breakdown",
       form->Frame(2),
       {120, 240, 2535, 495}},
      {form->Combo4(),
       form->Frame(2),
       {120, 1920, 2295, 360},
       "Water Shed Code",
       form->Frame(2),
       {120, 1680, 2160, 345}},
      {form->Combo5(),
       form->Frame(2),
       {2640, 1920, 4455, 360},
       "Distance to shoreline",
       form->Frame(2),
       {2640, 1680, 2160, 345}},
      {form->Combo6(),
       form->Frame(2),
       {135, 1200, 6975, 360},
       "Dominant Land Cover Type",
       form->Frame(2),
       {120, 960, 2160, 345}},
  }};
  const auto pixels = [](const QRect& twips) {
    return ui::RectFromTwips(twips.x(), twips.y(), twips.width(), twips.height());
  };
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    const Drawn& expected = drawn[i];
    SCOPED_TRACE("Combo" + std::to_string(i + 1));
    EXPECT_EQ(expected.box->parentWidget(), expected.boxParent);
    EXPECT_EQ(expected.box->geometry(), pixels(expected.boxTwips));
    const QLabel* label = form->Label2(static_cast<int>(i));
    EXPECT_EQ(label->text(), expected.caption);
    EXPECT_EQ(label->parentWidget(), expected.captionParent);
    EXPECT_EQ(label->geometry(), pixels(expected.captionTwips));
  }
  // Before a database is read, each box shows its own name.
  const Form1 unloaded(folder.str(), modals, office);
  const std::array<QComboBox*, 6> boxes{unloaded.Combo1(), unloaded.Combo2(), unloaded.Combo3(),
                                        unloaded.Combo4(), unloaded.Combo5(), unloaded.Combo6()};
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i]->currentText().toStdString(), "Combo" + std::to_string(i + 1));
  }
}

// The boxes take the focus in the form's order: Combo2, UPDATE QUERY, Combo3, Combo1, the option groups,
// Combo5, Combo6, Combo4, then BATCH QUERY.
TEST_F(Form1LayoutTest, TabVisitsTheBoxesInTheFormsOrder) {
  form->Command2()->setVisible(true);
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  const std::vector<std::pair<QWidget*, QWidget*>> steps = {
      {form->Combo2(), form->Command1()}, {form->Command1(), form->Combo3()},
      {form->Combo3(), form->Combo1()},   {form->Combo1(), form->Option2(0)},
      {form->Option3(0), form->Combo5()}, {form->Combo5(), form->Combo6()},
      {form->Combo6(), form->Combo4()},   {form->Combo4(), form->Command2()}};
  for (const auto& [from, to] : steps) {
    EXPECT_EQ(TabFrom(from, false), to) << from->objectName().toStdString();
    EXPECT_EQ(TabFrom(to, true), from);
  }
}

TEST_F(Form1LayoutTest, TabReachesAnOptionGroupAtItsSelectedButtonFromEitherSide) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  // The tab order runs Combo1, Option2(0..2), Option1(0..1), Option3(0..1), Combo5.
  form->Option2(1)->click();
  form->Option3(1)->click();
  for (int round = 0; round < 2; ++round) {  // the second round starts with focus left inside the groups
    EXPECT_EQ(TabFrom(form->Combo1(), false), form->Option2(1));
    EXPECT_EQ(TabFrom(form->Option2(1), false), form->Option1(0));
    EXPECT_EQ(TabFrom(form->Option1(0), false), form->Option3(1));
    EXPECT_EQ(TabFrom(form->Combo5(), true), form->Option3(1));
    EXPECT_EQ(TabFrom(form->Option3(1), true), form->Option1(0));
    EXPECT_EQ(TabFrom(form->Option1(0), true), form->Option2(1));
  }
  // Arrow keys move the selection within the group, and the tab stop with it.
  form->Option2(1)->setFocus();
  QTest::keyClick(form->Option2(1), Qt::Key_Right);
  EXPECT_TRUE(form->Option2(2)->isChecked());
  EXPECT_EQ(TabFrom(form->Option1(0), true), form->Option2(2));
}

}  // namespace
}  // namespace quorvia::app
