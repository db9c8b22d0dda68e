#include "form1.h"

#include <QMetaObject>
#include <QSignalBlocker>
#include <span>
#include <utility>

#include "access_start_up.h"
#include "batch_run.h"
#include "batch_selection.h"
#include "country_status.h"
#include "country_table.h"
#include "db_engine.h"
#include "db_error.h"
#include "error_text.h"
#include "form2.h"
#include "label_colour.h"
#include "modal_host.h"
#include "refresh_workbook.h"
#include "spreadsheet_application.h"
#include "unit_lists.h"
#include "updata.h"
#include "update_run.h"

namespace quorvia::app {
namespace {

constexpr int kHourglass = 11;
constexpr int kDefaultPointer = 0;

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

QStringList Entries(const QComboBox* box) {
  QStringList entries;
  for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
  return entries;
}

}  // namespace

Form1::Form1(std::string programFolder, ModalHost& modals, workbook::SpreadsheetSystem& office,
             QWidget* parent)
    : QWidget(parent), programFolder_(std::move(programFolder)), modals_(modals), office_(office) {
  BuildLayout();
  ConnectHandlers();
}

Form1::~Form1() = default;

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
}

bool Form1::Form_Load() {
  const std::string path = programFolder_ + "/MOSA_DB.mdb";
  if (!OfferAccessConversion(this, path, modals_)) return false;
  try {
    workDb_ = db::DBEngine::Instance().OpenDatabase(path);
    FillCountryBox();
  } catch (const db::DbError& error) {
    modals_.ShowMessage(this,
                        QStringLiteral("Cannot open the database %1\n\n").arg(Q(path)) + ErrorText(error));
    return false;
  }
  if (combos_[0]->count() == 0) {
    // Without a DATA_ table there is no country to choose; say so instead of failing on an empty code.
    modals_.ShowMessage(
        this, QStringLiteral("The database %1 holds no country data (no DATA_ table).").arg(Q(path)));
    return true;
  }
  // Setting the text raises the change event, which runs the country selection.
  combos_[0]->setEditText(combos_[0]->itemText(0));
  combos_[0]->repaint();
  return true;
}

void Form1::FillCountryBox() {
  const auto tables = workDb_->ListTableDefs();
  std::vector<std::string> names;
  for (int i = 0; i < tables.Count(); ++i) names.push_back(tables.Item(i).Name());
  // Adding the first entry to an editable box would set its text; the change event belongs to the
  // moment the text is set on purpose.
  const QSignalBlocker blocker(combos_[0]);
  const QString text = combos_[0]->currentText();
  for (const auto& entry : CountryEntriesFor(names)) combos_[0]->addItem(Q(entry));
  combos_[0]->setEditText(text);
}

// --- country selection -----------------------------------------------------------------------------

void Form1::Combo1_Change() {
  Combo1_Click();
  selectionRanForThisAction_ = true;
  QMetaObject::invokeMethod(
      this, [this] { selectionRanForThisAction_ = false; }, Qt::QueuedConnection);
}

void Form1::Combo1_Click() {
  try {
    RunCountrySelection();
  } catch (const db::DbError& error) {
    ReportError(error);
  }
}

std::string Form1::CountryCode() const { return query::FirstCharacters(S(combos_[0]->currentText()), 2); }

void Form1::RunCountrySelection() {
  const std::string countryCode = CountryCode();
  AfegimEBK();
  AfegimNUTS();
  ShowDataStatus(countryCode);
  SetChangeTypeButtons(countryCode);
  RefillFilterBox(combos_[3], ListQuery("WSCODE", countryCode), "WSCODE");
  RefillFilterBox(combos_[5], ListQuery("DLT", countryCode), "DLT");
  RefillFilterBox(combos_[4], ListQuery("CSTDS", countryCode), "CSTDS");
}

void Form1::ShowDataStatus(const std::string& countryCode) {
  const auto rows = workDb_->OpenRecordset("SELECT DISTINCT STATUS FROM UNITS_" + countryCode);
  rows->MoveFirst();
  if (const auto display = StatusDisplayFor(rows->Value("Status").ToString())) {
    label3_->setText(Q(display->caption));
    SetTextColour(label3_, QColor::fromRgb(display->rgb));
  }
  rows->Close();
}

void Form1::SetChangeTypeButtons(const std::string& countryCode) {
  if (HasChange1Column(*workDb_, "Data_" + countryCode)) {
    option3_[0]->setEnabled(true);
    option3_[0]->setChecked(true);
  } else {
    option3_[0]->setEnabled(false);
    option3_[1]->setChecked(true);
  }
}

void Form1::RefillFilterBox(QComboBox* box, const std::string& sql, const std::string& column) {
  box->clear();
  for (const auto& value : ReadFilterList(*workDb_, sql, column)) box->addItem(Q(value));
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

void Form1::AfegimNUTS() {
  nutsField_ =
      RefillLevelBox(std::span<QRadioButton* const>(option2_), combos_[1], NutsColumn, NutsListQuery);
}

void Form1::AfegimEBK() {
  ebkField_ = RefillLevelBox(std::span<QRadioButton* const>(option1_), combos_[2], EbkColumn, ListQuery);
}

std::string Form1::RefillLevelBox(std::span<QRadioButton* const> levelButtons, QComboBox* box,
                                  std::string (*column)(int),
                                  std::string (*query)(const std::string&, const std::string&)) {
  const std::string countryCode = CountryCode();
  box->clear();
  std::string field;
  for (std::size_t i = 0; i < levelButtons.size(); ++i) {
    if (!levelButtons[i]->isChecked()) continue;
    field = column(static_cast<int>(i) + 1);
    RefillFilterBox(box, query(field, countryCode), field);
  }
  // An engine error leaves by exception before this point, so the field keeps its previous value then.
  return field;
}

// --- runs ------------------------------------------------------------------------------------------

query::Selection Form1::ReadSelection() const {
  query::Selection selection;
  selection.Combo1 = S(combos_[0]->currentText());
  selection.Combo2 = S(combos_[1]->currentText());
  selection.Combo3 = S(combos_[2]->currentText());
  selection.Combo4 = S(combos_[3]->currentText());
  selection.Combo5 = S(combos_[4]->currentText());
  selection.Combo6 = S(combos_[5]->currentText());
  for (int i = 0; i < static_cast<int>(option2_.size()); ++i) {
    if (option2_[i]->isChecked()) selection.nutsLevelIndex = i;
  }
  for (int i = 0; i < static_cast<int>(option1_.size()); ++i) {
    if (option1_[i]->isChecked()) selection.elevationLevelIndex = i;
  }
  selection.option3FirstSelected = option3_[0]->isChecked();
  return selection;
}

query::RefreshWorkbookFn Form1::WorkbookRefresher() {
  return [this](const std::string& copyName, const std::string& mode, const query::SelectionTexts& texts) {
    // The cover page takes the status label and the change column as they are at the moment of the call.
    const workbook::CoverPageSource cover{S(label3_->text()), conditions_.ChangeField};
    return workbook::RefreshWorkbook(office_, programFolder_, copyName, mode, texts.SelCountry, texts.SelNuts,
                                     texts.SelElevation, texts.SelLandCover, texts.SelWatershed,
                                     texts.SelShoreline, cover);
  };
}

void Form1::Updata(const std::string& Sql) { query::Updata(*workDb_, Sql); }

void Form1::Command1_Click() {
  SetMousePointer(kHourglass);
  SetLabel1("Processing update...");
  try {
    const auto outcome =
        query::RunUpdate(*workDb_, ReadSelection(), conditions_, selectionTexts_, WorkbookRefresher());
    SetLabel1(query::UpdateLabelText(outcome));
  } catch (const db::DbError& error) {
    SetLabel1("Update not done: error " + std::to_string(error.Number()));
    ReportError(error);
  }
  SetMousePointer(kDefaultPointer);
}

void Form1::Command2_Click() {
  auto dialog = std::make_unique<batch_dialog::Form2>(
      batch_dialog::MainWindowLists{Entries(combos_[0]), Entries(combos_[1]), Entries(combos_[2]),
                                    Entries(combos_[3]), Entries(combos_[4]), Entries(combos_[5])},
      modals_, this);
  modals_.ShowModal(*dialog);
  const auto handOff = batch_dialog::ReadBatchSelection(*dialog);
  if (handOff.count.isEmpty()) return;  // the dialog goes with `dialog`
  const auto prefix = modals_.InputBox(this, QStringLiteral("Type the filename prefix you want"),
                                       QStringLiteral("Filename prefix"), QStringLiteral("Prefix"));
  if (!prefix || prefix->isEmpty()) return;

  query::BatchRequest request{S(handOff.count), S(handOff.unit), {}, handOff.selected, S(*prefix)};
  for (const auto& item : handOff.items) request.items.push_back(S(item));
  const query::BatchWindow window{ReadSelection(), nutsField_, ebkField_,
                                  [this](const std::string& text) { SetLabel1(text); },
                                  [this](int pointer) { SetMousePointer(pointer); }};
  try {
    const auto outcome =
        query::RunBatch(*workDb_, request, window, conditions_, selectionTexts_, WorkbookRefresher());
    SetLabel1(query::BatchFinishedText(outcome));
  } catch (const db::DbError& error) {
    ReportError(error);
  } catch (const std::exception& error) {
    ReportError(error);
  }
  SetMousePointer(kDefaultPointer);
}

// --- shared ----------------------------------------------------------------------------------------

void Form1::SetMousePointer(int value) {
  mousePointer_ = value;
  if (value == kHourglass) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void Form1::SetLabel1(const std::string& text) {
  label1_->setText(Q(text));
  // The run keeps the event loop waiting; paint now so the progress shows.
  label1_->repaint();
}

void Form1::ReportError(const db::DbError& error) { modals_.ShowMessage(this, ErrorText(error)); }

void Form1::ReportError(const std::exception& error) { modals_.ShowMessage(this, Q(error.what())); }

}  // namespace quorvia::app
