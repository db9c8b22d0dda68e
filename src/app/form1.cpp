#include "app/form1.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "app/access_start_up.h"

#include "app/label_colour.h"
#include "app/qt_text.h"
#include "batch_dialog/batch_selection.h"
#include "batch_dialog/form2.h"
#include "query/country_table.h"
#include "query/query_session.h"
#include "run_control/country_selection.h"
#include "ui_common/modal_host.h"

namespace quorvia::app {
namespace {

// The index of the checked button of a group, if any.
std::optional<int> CheckedIndex(std::span<QRadioButton* const> buttons) {
  std::optional<int> index;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i]->isChecked()) index = static_cast<int>(i);
  }
  return index;
}

const std::string kNothing;

}  // namespace

Form1::Form1(std::string programFolder, ui::ModalHost& modals, workbook::SpreadsheetSystem& office,
             QWidget* parent)
    : QWidget(parent),
      programFolder_(std::move(programFolder)),
      modals_(modals),
      office_(office),
      controller_(programFolder_, office) {
  BuildLayout();
  BuildRunControls();
  ConnectHandlers();
}

void Form1::ConnectHandlers() {
  connect(combos_[0], &QComboBox::editTextChanged, this, [this] { Combo1_Change(); });
  connect(combos_[0], &QComboBox::activated, this, [this] {
    // Choosing a new entry from the list raises the change and then the click: the selection already
    // ran for this action. Choosing the entry that is already shown raises only the click.
    if (std::exchange(selectionRanForThisAction_, false)) return;
    Combo1_Click();
  });
  for (int i = 0; i < static_cast<int>(option1_.size()); ++i) {
    // Every click refills, also one on the button that is already selected.
    connect(option1_[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
  }
  for (int i = 0; i < static_cast<int>(option2_.size()); ++i) {
    connect(option2_[i], &QRadioButton::clicked, this, [this, i] { Option2_Click(i); });
  }
  connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(combos_[0]->lineEdit(), &QLineEdit::returnPressed, this, [this] { SayCountryNotNamed(); });
  connect(combos_[0], &QComboBox::editTextChanged, this, [this] { countryTextSaidNotNamed_.clear(); });
  combos_[0]->installEventFilter(this);
}

bool Form1::Form_Load() {
  const auto opened = controller_.Open(
      [this](const std::string& databasePath) { return OfferAccessConversion(this, databasePath, modals_); });
  if (opened.goOn) FillCountryBox(opened.countryEntries);
  if (opened.message) modals_.ShowMessage(this, *opened.message);
  if (!opened.goOn || opened.countryEntries.empty()) return opened.goOn;
  // Setting the text raises the change event, which runs the country selection.
  combos_[0]->setEditText(combos_[0]->itemText(0));
  combos_[0]->repaint();
  return true;
}

void Form1::FillCountryBox(const std::vector<std::string>& entries) {
  // Adding the first entry to an editable box would set its text; the change event belongs to the
  // moment the text is set on purpose.
  const QSignalBlocker blocker(combos_[0]);
  const QString text = combos_[0]->currentText();
  for (const auto& entry : entries) combos_[0]->addItem(Q(entry));
  combos_[0]->setEditText(text);
  listLoaded_[0] = true;
  // The list shows every entry whole, however narrow the box.
  QAbstractItemView* list = combos_[0]->view();
  list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                        list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

// --- country selection -----------------------------------------------------------------------------

bool Form1::CountryNamed(const QString& text) const {
  std::vector<std::string> entries;
  for (const auto& entry : Entries(combos_[0])) entries.push_back(S(entry));
  return query::NamesCountry(S(text), entries);
}

// Said once for a text: on Enter, or when the focus leaves the box, whichever comes first.
void Form1::SayCountryNotNamed() {
  const QString text = combos_[0]->currentText();
  if (CountryNamed(text) || text == countryTextSaidNotNamed_) return;
  countryTextSaidNotNamed_ = text;
  modals_.ShowMessage(this, QStringLiteral("\"%1\" names no country. Type the two-letter code of a country "
                                           "in the list, such as \"%2\", or choose one from the list.")
                                .arg(text, combos_[0]->itemText(0).left(2)));
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == combos_[0] && event->type() == QEvent::FocusOut) {
    // Another window or the box's own list taking the focus is not the user leaving the box.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) SayCountryNotNamed();
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::Combo1_Change() {
  // While the text names no country the user may still be typing one: it is not yet a selection.
  if (!CountryNamed(combos_[0]->currentText())) return;
  Combo1_Click();
  selectionRanForThisAction_ = true;
  QMetaObject::invokeMethod(
      this, [this] { selectionRanForThisAction_ = false; }, Qt::QueuedConnection);
}

void Form1::Combo1_Click() {
  if (CountryNamed(combos_[0]->currentText())) RunCountrySelection();
}

std::string Form1::CountryCode() const {
  return query::CountryCode(S(Box(query::FilterId::country)->currentText()));
}

std::size_t Form1::BoxIndex(const query::Filter& filter) const {
  return static_cast<std::size_t>(std::ranges::find(combos_, Box(filter.id)) - combos_.begin());
}

std::optional<int> Form1::LevelIndex(const query::Filter& filter) const {
  return CheckedIndex(levelButtons_[query::IndexOf(filter.id)]);
}

query::FilterLevels Form1::Levels() const {
  query::FilterLevels levels;
  for (const auto& filter : query::kFilters) {
    if (filter.levelIndex) levels.*filter.levelIndex = LevelIndex(filter);
  }
  return levels;
}

void Form1::RunCountrySelection() {
  const auto read = run_control::ReadCountrySelection(Session(), CountryCode(), Levels(), DatabaseFile());
  // Until its list for this country is read, a box shows nothing that could be chosen.
  for (const auto& filter : query::kFilters) {
    if (filter.kind != query::FilterKind::country) listLoaded_[BoxIndex(filter)] = false;
  }
  for (const auto& filter : query::kFilters) {
    const auto& list = read.lists[query::IndexOf(filter.id)];
    if (read.emptied[query::IndexOf(filter.id)]) Box(filter.id)->clear();
    if (list) RefillFilterBox(Box(filter.id), *list);
  }
  if (read.status) ShowDataStatus(*read.status);
  if (read.hasChange1) SetChangeTypeButtons(*read.hasChange1);
  if (read.message) modals_.ShowMessage(this, *read.message);
}

void Form1::ShowDataStatus(const query::StatusDisplay& display) {
  label3_->setText(Q(display.caption));
  SetTextColour(label3_, QColor::fromRgb(display.rgb));
}

void Form1::SetChangeTypeButtons(bool hasChange1) {
  if (hasChange1) {
    option3_[0]->setEnabled(true);
    option3_[0]->setChecked(true);
  } else {
    option3_[0]->setEnabled(false);
    option3_[1]->setChecked(true);
  }
}

void Form1::RefillFilterBox(QComboBox* box, const std::vector<std::string>& entries) {
  const auto index = std::ranges::find(combos_, box) - combos_.begin();
  listLoaded_.at(static_cast<std::size_t>(index)) = true;
  box->clear();
  for (const auto& value : entries) box->addItem(Q(value));
  box->setCurrentIndex(0);
  box->setEditText(box->itemText(0));
  box->repaint();
}

// --- level lists -----------------------------------------------------------------------------------

void Form1::Option1_Click(int /*index*/) { AfegimEBK(); }

void Form1::Option2_Click(int /*index*/) { AfegimNUTS(); }

void Form1::AfegimNUTS() { RefillLevelBox(query::FilterOf(query::FilterId::nutsRegion)); }

void Form1::AfegimEBK() { RefillLevelBox(query::FilterOf(query::FilterId::elevation)); }

// A level box is emptied first: when its list cannot be read, or no level is chosen, it stays empty.
void Form1::RefillLevelBox(const query::Filter& filter) {
  QComboBox* box = Box(filter.id);
  box->clear();
  listLoaded_[BoxIndex(filter)] = false;
  const auto list =
      run_control::ReadLevelList(Session(), filter, CountryCode(), LevelIndex(filter), DatabaseFile());
  // Also without a level the list is read: the empty box then means no filter.
  if (list.entries) RefillFilterBox(box, *list.entries);
  if (list.message) modals_.ShowMessage(this, *list.message);
}

// --- runs ------------------------------------------------------------------------------------------

query::Selection Form1::ReadSelection() const {
  query::Selection selection;
  for (const auto& filter : query::kFilters) {
    selection.*filter.slot = S(Box(filter.id)->currentText());
    if (filter.levelIndex) selection.*filter.levelIndex = LevelIndex(filter);
  }
  selection.byReviewedChange = option3_[0]->isChecked();
  for (std::size_t i = 0; i < combos_.size(); ++i) {
    if (!listLoaded_[i]) selection.unloadedBoxes.push_back(S(label2_[i]->text()));
  }
  return selection;
}

namespace {

void Choose(QComboBox* box, const QString& text) {
  const int index = box->findText(text);
  if (index >= 0) {
    box->setCurrentIndex(index);
    emit box->activated(index);
  } else {
    box->setEditText(text);
  }
}

}  // namespace

void Form1::ShowSelection(const query::Selection& selection, const QString& statusText) {
  Choose(Box(query::FilterId::country), Q(selection.country));
  for (const auto& filter : query::kFilters) {
    if (!filter.levelIndex) continue;
    const auto level = selection.*filter.levelIndex;
    const auto buttons = levelButtons_[query::IndexOf(filter.id)];
    if (level && static_cast<std::size_t>(*level) < buttons.size()) buttons[*level]->click();
  }
  for (const auto& filter : query::kFilters) {
    if (filter.kind != query::FilterKind::country) Choose(Box(filter.id), Q(selection.*filter.slot));
  }
  option3_[selection.byReviewedChange ? 0 : 1]->click();
  label1_->setText(statusText);
}

// --- shared ----------------------------------------------------------------------------------------

const std::string& Form1::NutsField() const {
  return controller_.Session() ? Session().ChosenColumn(query::FilterOf(query::FilterId::nutsRegion))
                               : kNothing;
}

const std::string& Form1::EbkField() const {
  return controller_.Session() ? Session().ChosenColumn(query::FilterOf(query::FilterId::elevation))
                               : kNothing;
}

const query::SelectionTexts& Form1::SelectionTexts() const {
  static const query::SelectionTexts kNoTexts;
  return controller_.Session() ? Session().CurrentTexts() : kNoTexts;
}

const query::Conditions& Form1::Conditions() const {
  static const query::Conditions kNoConditions;
  return controller_.Session() ? Session().CurrentConditions() : kNoConditions;
}

void Form1::SetMousePointer(int value) {
  mousePointer_ = value;
  if (value == kHourglass) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void Form1::SetLabel1(const std::string& text) { label1_->setText(Q(text)); }

std::string Form1::DatabaseFile() const { return controller_.DatabaseFile(); }

}  // namespace quorvia::app
