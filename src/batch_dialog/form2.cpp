#include "batch_dialog/form2.h"

#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRect>
#include <utility>

#include "batch_dialog/analytical_units.h"
#include "batch_dialog/list_selection.h"
#include "batch_dialog/select_all_toggle.h"
#include "ui_common/twips.h"

namespace quorvia::batch_dialog {

namespace {

const QString kWindowTitle = QStringLiteral("Batch Query Dialog");

// The layout is fixed and measured in twips.
using ui::PixelsFromTwips;
using ui::RectFromTwips;

// The fixed pixel layout was measured for a narrow 8-point sans face (about 11 pixels high). A wider or
// larger desktop font would wrap the prompt under the list and clip the small buttons' captions, so the
// dialog brings a face with those metrics.
QFont LayoutFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

QPushButton* MakeButton(QWidget* parent, const QString& caption, const QRect& geometry) {
  auto* button = new QPushButton(caption, parent);
  // Neither Enter nor Escape may trigger a button here; inside a dialog Qt would otherwise let Enter
  // click the focused button or a default one.
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setGeometry(geometry);
  return button;
}

QListWidget* MakeList(QWidget* parent, QAbstractItemView::SelectionMode mode) {
  auto* list = new QListWidget(parent);
  list->setSelectionMode(mode);
  list->setSortingEnabled(false);
  list->setGeometry(RectFromTwips(60, 450, 4575, 2205));
  return list;
}

}  // namespace

Form2::Form2(MainWindowLists lists, ui::ModalHost& modals, QWidget* parent)
    : QDialog(parent), lists_(std::move(lists)), modals_(modals) {
  setWindowTitle(kWindowTitle);
  setFont(LayoutFont());
  setFixedSize(PixelsFromTwips(4680), PixelsFromTwips(4020));
  CreateControls();
  ConnectHandlers();
  Load();
}

// Controls are created in tab order, so the focus chain starts with "Cancel", the first control that can
// take the focus. Labels never take it. The two lists share one rectangle; only one is ever visible.
void Form2::CreateControls() {
  label1_ = new QLabel(QStringLiteral("Choose an analitical unit to perform the batch query:"), this);
  label1_->setGeometry(RectFromTwips(60, 90, 4590, 495));
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label1_->setWordWrap(true);

  command2_ = MakeButton(this, QStringLiteral("Cancel"), RectFromTwips(1785, 3495, 1215, 495));
  list1_[0] = MakeList(this, QAbstractItemView::SingleSelection);
  list1_[1] = MakeList(this, QAbstractItemView::ExtendedSelection);
  list1_[1]->hide();
  command3_ = MakeButton(this, QStringLiteral("<-- Back"), RectFromTwips(3075, 3495, 780, 495));
  command3_->setEnabled(false);
  command1_ = MakeButton(this, QStringLiteral("Next -->"), RectFromTwips(3885, 3495, 735, 495));
  command4_ = MakeButton(this, kSelectAllCaption, RectFromTwips(60, 2700, 1125, 240));
  command4_->setEnabled(false);
  command5_ = MakeButton(this, QStringLiteral("iNVERSE selection"), RectFromTwips(1245, 2700, 1590, 240));
  command5_->setEnabled(false);

  // Holds the batch result for the caller; the user never sees it.
  label2_ = new QLabel(this);
  label2_->setGeometry(RectFromTwips(120, 3000, 2175, 255));
  label2_->hide();

  setTabOrder(command2_, list1_[0]);
  setTabOrder(list1_[0], list1_[1]);
  setTabOrder(list1_[1], command3_);
  setTabOrder(command3_, command1_);
  setTabOrder(command1_, command4_);
  setTabOrder(command4_, command5_);
  command2_->setFocus();
}

void Form2::ConnectHandlers() {
  connect(command1_, &QPushButton::clicked, this, &Form2::Command1_Click);
  connect(command2_, &QPushButton::clicked, this, &Form2::Command2_Click);
  connect(command3_, &QPushButton::clicked, this, &Form2::Command3_Click);
  connect(command4_, &QPushButton::clicked, this, &Form2::Command4_Click);
  connect(command5_, &QPushButton::clicked, this, &Form2::Command5_Click);
}

void Form2::Load() {
  pageCounter_ = 0;
  list1_[0]->addItems(AnalyticalUnits());
  SetResult(std::nullopt);
}

void Form2::Command1_Click() {
  ++pageCounter_;
  if (pageCounter_ == 1) {
    LeaveUnitPage();
  } else if (pageCounter_ == 2) {
    LeaveItemPage();
  }
}

void Form2::LeaveUnitPage() {
  const QString unit = SelectedText(*list1_[0]);
  if (unit.isEmpty()) {
    modals_.ShowMessage(this, QString::fromLatin1(kNoUnitMessage));
    --pageCounter_;
    return;
  }
  SetItemPageButtonsEnabled(true);
  list1_[0]->hide();
  list1_[1]->show();
  list1_[1]->clear();
  list1_[1]->addItems(ItemsForUnit(unit, lists_));
}

void Form2::LeaveItemPage() {
  const int selectedCount = CountSelected(*list1_[1]);
  if (selectedCount == 0) {
    modals_.ShowMessage(this, QString::fromLatin1(kNoItemMessage));
    --pageCounter_;
    return;
  }
  // The result is written only here, right before hiding, so a visible dialog always has an empty result
  // and a cancelled or closed one hands over "no batch".
  SetResult(selectedCount);
  --pageCounter_;
  hide();
}

void Form2::SetResult(std::optional<int> chosenCount) {
  chosenCount_ = chosenCount;
  label2_->setText(chosenCount ? QString::number(*chosenCount) : QString());
}

void Form2::Command2_Click() { hide(); }

void Form2::Command3_Click() {
  --pageCounter_;
  list1_[0]->show();
  list1_[1]->hide();
  SetItemPageButtonsEnabled(false);
}

void Form2::Command4_Click() {
  const SelectAllStep step = NextSelectAllStep(command4_->text());
  command4_->setText(step.newCaption);
  switch (step.action) {
    case SelectAllAction::SelectEvery:
      SelectEvery(*list1_[1]);
      break;
    case SelectAllAction::UnselectEvery:
      UnselectEvery(*list1_[1]);
      break;
    case SelectAllAction::Nothing:
      break;
  }
}

void Form2::Command5_Click() { InvertSelection(*list1_[1]); }

void Form2::SetItemPageButtonsEnabled(bool enabled) {
  command4_->setEnabled(enabled);
  command5_->setEnabled(enabled);
  command3_->setEnabled(enabled);
}

// Escape does what "Cancel" does (QDialog's own reject is not used: the dialog only ever hides, and its
// result is written by a confirmed "Next -->" alone). No button is bound to it.
void Form2::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    Command2_Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace quorvia::batch_dialog
