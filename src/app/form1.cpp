#include "app/form1.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <filesystem>
#include <utility>

#include "app/access_start_up.h"

#include "app/error_text.h"
#include "app/label_colour.h"
#include "app/qt_text.h"
#include "batch_dialog/batch_selection.h"
#include "batch_dialog/form2.h"
#include "db/db_engine.h"
#include "db/db_error.h"
#include "query/country_table.h"
#include "query/query_session.h"
#include "query/updata.h"
#include "ui_common/modal_host.h"
#include "vocabulary/file_names.h"

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
    : QWidget(parent), programFolder_(std::move(programFolder)), modals_(modals), office_(office) {
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

namespace {

// A database file that is not there (or is a folder) is named whole, with how to get one.
QString MissingDatabaseText(const std::string& path) {
  std::error_code error;
  const bool folder = std::filesystem::is_directory(path, error);
  if (!folder && std::filesystem::exists(path, error)) return {};
  return QStringLiteral(
             "The database %1 %2.\n\nCopy your MOSA_DB.mdb there, make a demo folder (Quorvia's start "
             "dialog, or quorvia-run --make-demo FOLDER), or start Quorvia on another program folder.")
      .arg(Q(path), folder ? QStringLiteral("is a folder, not a file") : QStringLiteral("does not exist"));
}

}  // namespace

bool Form1::Form_Load() {
  const std::string path = programFolder_ + "/MOSA_DB.mdb";
  // A folder that points at a server does not use MOSA_DB.mdb at all: an Access file there is left alone.
  if (!db::DBEngine::Instance().OnServer(path)) {
    if (const QString missing = MissingDatabaseText(path); !missing.isEmpty()) {
      modals_.ShowMessage(this, missing);
      return false;
    }
    if (!OfferAccessConversion(this, path, modals_)) return false;
  }
  try {
    session_ = std::make_unique<query::QuerySession>(db::DBEngine::Instance().OpenDatabase(path), office_,
                                                     programFolder_);
    // The sink is called on the run thread; the label is set on the window's.
    session_->SetStatusSink([this](const std::string& text) {
      if (statusEcho_) statusEcho_(text);
      QMetaObject::invokeMethod(
          this, [this, text] { SetLabel1(text); }, Qt::QueuedConnection);
    });
    FillCountryBox();
  } catch (const db::DbError& error) {
    // With a connection file the database is on a server, and the file is what the user can check.
    modals_.ShowMessage(
        this,
        QStringLiteral("Cannot open the database %1\n\n").arg(Q(db::DBEngine::Instance().SourceOf(path))) +
            ErrorText(error));
    return false;
  }
  if (combos_[0]->count() == 0) {
    // Without a country's DATA_ table there is no country to choose; say so instead of failing on an empty
    // code.
    modals_.ShowMessage(this, Q(query::NoCountryTableText(db::DBEngine::Instance().SourceOf(path))));
    return true;
  }
  // Setting the text raises the change event, which runs the country selection.
  combos_[0]->setEditText(combos_[0]->itemText(0));
  combos_[0]->repaint();
  return true;
}

void Form1::FillCountryBox() {
  const auto entries = session_->CountryEntries();
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
  if (!CountryNamed(combos_[0]->currentText())) return;
  try {
    RunCountrySelection();
  } catch (const db::DbError& error) {
    ReportError(error);
  }
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

void Form1::RunCountrySelection() {
  const std::string countryCode = CountryCode();
  // Until its list for this country is read, a box shows nothing that could be chosen.
  for (const auto& filter : query::kFilters) {
    if (filter.kind != query::FilterKind::country) listLoaded_[BoxIndex(filter)] = false;
  }
  for (const auto& filter : query::kFilters) {
    if (filter.kind == query::FilterKind::levelled) RefillLevelBox(filter);
  }
  ShowDataStatus(countryCode);
  SetChangeTypeButtons(countryCode);
  for (const auto& filter : query::kFilters) {
    if (filter.kind == query::FilterKind::plain) {
      RefillFilterBox(Box(filter.id), session_->FilterList(filter, countryCode).entries);
    }
  }
}

void Form1::ShowDataStatus(const std::string& countryCode) {
  if (const auto display = session_->DataStatus(countryCode)) {
    label3_->setText(Q(display->caption));
    SetTextColour(label3_, QColor::fromRgb(display->rgb));
  }
}

void Form1::SetChangeTypeButtons(const std::string& countryCode) {
  if (session_->HasChange1(countryCode)) {
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

void Form1::Option1_Click(int /*index*/) {
  try {
    AfegimEBK();
  } catch (const db::DbError& error) {
    ReportError(error);
  }
}

void Form1::Option2_Click(int /*index*/) {
  try {
    AfegimNUTS();
  } catch (const db::DbError& error) {
    ReportError(error);
  }
}

void Form1::AfegimNUTS() { RefillLevelBox(query::FilterOf(query::FilterId::nutsRegion)); }

void Form1::AfegimEBK() { RefillLevelBox(query::FilterOf(query::FilterId::elevation)); }

// A level box is emptied first: when its list cannot be read, or no level is chosen, it stays empty.
void Form1::RefillLevelBox(const query::Filter& filter) {
  QComboBox* box = Box(filter.id);
  box->clear();
  listLoaded_[BoxIndex(filter)] = false;
  const auto list = session_->FilterList(filter, CountryCode(), LevelIndex(filter));
  listLoaded_[BoxIndex(filter)] = true;  // also without a level: the empty box then means no filter
  if (!list.column.empty()) RefillFilterBox(box, list.entries);
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

// --- shared ----------------------------------------------------------------------------------------

const std::string& Form1::NutsField() const {
  return session_ ? session_->ChosenColumn(query::FilterOf(query::FilterId::nutsRegion)) : kNothing;
}

const std::string& Form1::EbkField() const {
  return session_ ? session_->ChosenColumn(query::FilterOf(query::FilterId::elevation)) : kNothing;
}

const query::SelectionTexts& Form1::SelectionTexts() const {
  static const query::SelectionTexts kNoTexts;
  return session_ ? session_->CurrentTexts() : kNoTexts;
}

const query::Conditions& Form1::Conditions() const {
  static const query::Conditions kNoConditions;
  return session_ ? session_->CurrentConditions() : kNoConditions;
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

void Form1::ReportError(const db::DbError& error) {
  modals_.ShowMessage(this, ErrorText(error, DatabaseFile()));
}

std::string Form1::DatabaseFile() const { return programFolder_ + "/" + vocabulary::kDatabaseFileName; }

void Form1::ReportError(const std::exception& error) { modals_.ShowMessage(this, Q(error.what())); }

}  // namespace quorvia::app
