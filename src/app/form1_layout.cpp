// The fixed layout of the main window. Positions and sizes are in twips, as the form was drawn.
#include <QFont>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QScreen>
#include <algorithm>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "app/label_colour.h"
#include "app/status_label.h"
#include "ui_common/twips.h"

namespace quorvia::app {
namespace {

using ui::PixelsFromTwips;

void Place(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(ui::RectFromTwips(left, top, width, height));
}

constexpr int kClientWidth = 7545;
constexpr int kClientHeight = 6345;
// The frames keep this much of the client area free at the right edge.
constexpr int kRightMargin = 105;

// Places a control of the window so that it ends inside the client area even where its drawn rectangle
// reaches past the edge: a control cut by the edge cuts its text.
void PlaceInsideWindow(QWidget* widget, int left, int top, int width, int height) {
  const int right = std::min(left + width, kClientWidth - kRightMargin);
  const int bottom = std::min(top + height, kClientHeight);
  Place(widget, left, top, right - left, bottom - top);
}

// The form was drawn in MS Sans Serif; a metric-compatible face stands in where it is not installed, so
// the captions fit the fixed rectangles.
QFont SansSerif(double points) {
  QFont::insertSubstitutions(
      QStringLiteral("MS Sans Serif"),
      {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  return font;
}

// A text longer than its box shows its start (a country entry begins with its code), unless the user is
// typing in the box: a line edit scrolls to its cursor, and setting a text puts the cursor at the end.
void ShowStartOfText(QComboBox* box) {
  QLineEdit* edit = box->lineEdit();
  QObject::connect(box, &QComboBox::editTextChanged, edit, [edit] {
    if (!edit->hasFocus()) edit->setCursorPosition(0);
  });
  QObject::connect(box, &QComboBox::activated, edit, [edit] { edit->setCursorPosition(0); });
}

QComboBox* NewComboBox(QWidget* parent, const char* text, int left, int top, int width, int height) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  // Typed text is a selection, never a new entry, and is not completed behind the user's back.
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setCompleter(nullptr);
  box->setEditText(QString::fromLatin1(text));
  box->setFont(SansSerif(9.75));
  Place(box, left, top, width, height);
  ShowStartOfText(box);
  return box;
}

QLabel* NewLabel(QWidget* parent, const char* caption, int left, int top, int width, int height) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(label, left, top, width, height);
  return label;
}

QRadioButton* NewOption(QWidget* parent, const char* caption, int left, int top, int width, int height) {
  auto* option = new QRadioButton(QString::fromLatin1(caption), parent);
  Place(option, left, top, width, height);
  return option;
}

// Tab and Shift+Tab reach an option group at its selected button only, as the arrow keys move within it.
void MakeSelectedButtonTheTabStop(std::span<QRadioButton* const> group) {
  const QList<QRadioButton*> buttons(group.begin(), group.end());
  const auto follow = [buttons] {
    for (auto* button : buttons) {
      const auto policy = button->focusPolicy();
      button->setFocusPolicy(button->isChecked() ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                                 : Qt::FocusPolicy(policy & ~Qt::TabFocus));
    }
  };
  for (auto* button : buttons) QObject::connect(button, &QRadioButton::toggled, button, follow);
  follow();
}

// Option captions too long for their rectangles keep the window's face. Both change together, as little as
// it takes for every caption to show whole: first the letters close up by up to half a pixel, then the
// size goes down a quarter point and the letters may close up again.
void FitCaptions(std::span<QRadioButton* const> options) {
  constexpr double kSmallestPoints = 6.0;
  const auto allFit = [options](const QFont& font) {
    for (auto* option : options) option->setFont(font);
    return std::ranges::all_of(
        options, [](const QRadioButton* option) { return option->sizeHint().width() <= option->width(); });
  };
  QFont font = options.front()->font();
  for (double points = font.pointSizeF(); points >= kSmallestPoints; points -= 0.25) {
    font.setPointSizeF(points);
    for (const double spacing : {0.0, -0.25, -0.5}) {
      font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
      if (allFit(font)) return;
    }
  }
}

// A button drawn in a rectangle lower than its circle loses the circle's bottom row: such a rectangle grows
// evenly above and below, so the button keeps its middle where the form has it.
void ShowIndicatorsWhole(std::span<QRadioButton* const> options) {
  for (auto* option : options) {
    const int missing = option->sizeHint().height() - option->height();
    if (missing > 0) {
      option->setGeometry(option->x(), option->y() - missing / 2, option->width(),
                          option->height() + missing);
    }
  }
}

QGroupBox* NewFrame(QWidget* parent, int left, int top, int width, int height) {
  auto* frame = new QGroupBox(parent);
  Place(frame, left, top, width, height);
  return frame;
}

// Where a filter's caption and box are drawn, in twips within their parent.
struct Twips {
  int left, top, width, height;
};

// A filter's controls: its box Combo<number> and caption Label2(number - 1) (number and caption from the
// filter table), each drawn in a frame (Frame(n); 0 is the window itself), and the box's tab index on the
// form.
struct FilterPlace {
  query::FilterId id;
  int captionFrame;
  Twips captionAt;
  int boxFrame;
  Twips boxAt;
  int tabIndex;
};

// By the filter's id. The country, the region and the elevation boxes belong to the window and are drawn
// over the frames.
// clang-format off
constexpr std::array<FilterPlace, query::kFilterCount> kFilterPlaces{{
    {query::FilterId::country, 1, {180, 465, 1215, 495}, 0, {270, 810, 2205, 360}, 3},
    {query::FilterId::nutsRegion, 1, {2535, 480, 1215, 495}, 0, {2655, 810, 4605, 360}, 0},
    {query::FilterId::elevation, 2, {120, 240, 2535, 495}, 0, {255, 1935, 6930, 360}, 2},
    {query::FilterId::landCover, 2, {120, 960, 2160, 345}, 2, {135, 1200, 6975, 360}, 12},
    {query::FilterId::watershed, 2, {120, 1680, 2160, 345}, 2, {120, 1920, 2295, 360}, 13},
    {query::FilterId::shoreline, 2, {2640, 1680, 2160, 345}, 2, {2640, 1920, 4455, 360}, 11},
}};
// clang-format on

constexpr bool EveryFilterPlacedOnceByItsId() {
  std::array<bool, query::kFilterCount> numberTaken{};
  for (std::size_t i = 0; i < kFilterPlaces.size(); ++i) {
    const int number = query::kFilters[i].boxNumber;
    if (query::IndexOf(kFilterPlaces[i].id) != i) return false;
    if (number < 1 || number > static_cast<int>(query::kFilterCount)) return false;
    if (numberTaken[static_cast<std::size_t>(number - 1)]) return false;
    numberTaken[static_cast<std::size_t>(number - 1)] = true;
  }
  return true;
}
static_assert(EveryFilterPlacedOnceByItsId(), "each filter has one place, and each box number one filter");

}  // namespace

void Form1::BuildFilterBoxes() {
  const auto parentIn = [this](int frame) -> QWidget* {
    return frame == 0 ? static_cast<QWidget*>(this) : frames_.at(static_cast<std::size_t>(frame - 1));
  };
  for (const FilterPlace& place : kFilterPlaces) {
    const query::Filter& filter = query::FilterOf(place.id);
    const auto index = static_cast<std::size_t>(filter.boxNumber - 1);
    const auto [captionLeft, captionTop, captionWidth, captionHeight] = place.captionAt;
    label2_[index] = NewLabel(parentIn(place.captionFrame), filter.boxCaption, captionLeft, captionTop,
                              captionWidth, captionHeight);
    const std::string name = "Combo" + std::to_string(filter.boxNumber);
    const auto [boxLeft, boxTop, boxWidth, boxHeight] = place.boxAt;
    combos_[index] =
        NewComboBox(parentIn(place.boxFrame), name.c_str(), boxLeft, boxTop, boxWidth, boxHeight);
    // A caption lies under whatever else its frame draws: the NUTS caption reaches under the L1 button.
    label2_[index]->lower();
    if (place.boxFrame == 0) combos_[index]->raise();
    filterBoxes_[query::IndexOf(place.id)] = combos_[index];
  }
}

// Tab order by the form's tab indexes; labels and frames take no focus.
void Form1::SetTabOrder() {
  std::vector<std::pair<int, QWidget*>> stops = {{1, command1_},   {4, option2_[0]},  {5, option2_[1]},
                                                 {6, option2_[2]}, {7, option1_[0]},  {8, option1_[1]},
                                                 {9, option3_[0]}, {10, option3_[1]}, {14, command2_}};
  for (const FilterPlace& place : kFilterPlaces) {
    stops.emplace_back(place.tabIndex, filterBoxes_[query::IndexOf(place.id)]);
  }
  std::ranges::sort(stops, {}, [](const auto& stop) { return stop.first; });
  for (std::size_t i = 1; i < stops.size(); ++i) setTabOrder(stops[i - 1].second, stops[i].second);
  stops.front().second->setFocus();
}

void Form1::BuildLayout() {
  setWindowTitle(QStringLiteral("Quorvia v.5 (September 04)"));
  setFixedSize(PixelsFromTwips(kClientWidth), PixelsFromTwips(kClientHeight));
  // In the middle of the screen from the start: the questions asked before the window shows (the
  // Access conversion) are centred over it, as every later dialog is.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  setFont(SansSerif(8));

  frames_[0] = NewFrame(this, 105, 60, 7305, 1290);
  option2_[0] = NewOption(frames_[0], "L1", 3675, 375, 1560, 420);
  option2_[1] = NewOption(frames_[0], "L2", 4635, 375, 1560, 420);
  option2_[2] = NewOption(frames_[0], "L3", 5580, 375, 1560, 420);

  frames_[1] = NewFrame(this, 120, 1440, 7320, 2745);
  option1_[0] = NewOption(frames_[1], "L1", 3690, 195, 870, 225);
  option1_[1] = NewOption(frames_[1], "L2", 4650, 210, 870, 225);

  frames_[2] = NewFrame(this, 120, 4200, 7320, 600);
  option3_[0] = NewOption(frames_[2], "VARDA90 reviewed against VARDA00", 180, 240, 3000, 195);
  option3_[1] = NewOption(frames_[2], "VARDA90 from Changes database against VARDA00", 3285, 240, 3795, 195);
  FitCaptions(option3_);
  ShowIndicatorsWhole(option1_);
  ShowIndicatorsWhole(option2_);
  ShowIndicatorsWhole(option3_);

  BuildFilterBoxes();
  levelButtons_[query::IndexOf(query::FilterId::nutsRegion)] = option2_;
  levelButtons_[query::IndexOf(query::FilterId::elevation)] = option1_;

  command1_ = new QPushButton(QStringLiteral("UPDATE QUERY"), this);
  command1_->setFont(SansSerif(12));
  Place(command1_, 120, 4935, 2370, 495);
  command2_ = new QPushButton(QStringLiteral("BATCH QUERY"), this);
  Place(command2_, 120, 5565, 2370, 495);
  command2_->setVisible(false);

  label3_ = NewLabel(this, "", 2640, 4920, 4815, 495);
  label3_->setFont(SansSerif(9.75));
  SetTextColour(label3_, QColor(0, 128, 0));
  // Drawn 30 twips wider than the window; it ends inside it, and its text wraps within it.
  label1_ = new StatusLabel(this);
  PlaceInsideWindow(label1_, 2640, 5280, 4935, 900);
  label1_->setFont(SansSerif(9.75));
  SetTextColour(label1_, QColor(192, 0, 0));

  option2_[0]->setChecked(true);
  option1_[0]->setChecked(true);
  option3_[0]->setChecked(true);
  MakeSelectedButtonTheTabStop(option2_);
  MakeSelectedButtonTheTabStop(option1_);
  MakeSelectedButtonTheTabStop(option3_);

  SetTabOrder();
}

}  // namespace quorvia::app
