#include "query/batch_run.h"

#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "db/ascii_case.h"
#include "db/database.h"
#include "db/db_error.h"
#include "query/change_queries.h"
#include "query/change_rows.h"
#include "query/log.h"
#include "query/updata.h"
#include "vocabulary/file_names.h"

namespace quorvia::query {
namespace {

// The filter of a batch's unit, or std::invalid_argument.
const Filter& FilterOfUnitOrThrow(const std::string& unit) {
  const Filter* filter = FilterOfUnit(unit);
  if (filter == nullptr) throw std::invalid_argument("Unknown analytical unit \"" + unit + "\"");
  return *filter;
}

void NoteFailure(BatchOutcome& outcome, const std::string& item, const std::string& reason) {
  ++outcome.failed;
  outcome.failures.push_back(item + ": " + reason);
  outcome.failedItems.push_back(item);
}

std::string ReasonOr(const workbook::RefreshOutcome& outcome, const char* otherwise) {
  return outcome.Reason().empty() ? otherwise : outcome.Reason();
}

// Without the server no further item can run.
bool ServerGone(const db::DbError& error) {
  return error.Number() == db::kConnectionLost || error.Number() == db::kServerUnreachable;
}

// The engine's words as one sentence for a line of the label: line breaks and tabs become blanks, and
// it ends with a full stop.
std::string Sentence(const std::string& words) {
  std::string text;
  for (const char c : words) {
    const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
    if (!blank || (!text.empty() && text.back() != ' ')) text += blank ? ' ' : c;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (!text.empty() && text.back() != '.') text += '.';
  return text;
}

// Up to five names, then how many more.
std::string NameList(const std::vector<std::string>& names) {
  constexpr std::size_t kShown = 5;
  std::string list;
  for (std::size_t i = 0; i < names.size() && i < kShown; ++i) list += (i ? ", " : "") + names[i];
  if (names.size() > kShown) list += " and " + std::to_string(names.size() - kShown) + " more";
  return list;
}

std::string AndMore(const std::vector<std::string>& lines) {
  std::string text = lines.front();
  if (lines.size() > 1) text += " (and " + std::to_string(lines.size() - 1) + " more)";
  return text;
}

}  // namespace

// The other filters of the window stay in force for every item: the conditions are built once from the
// window's selection, and each item replaces only its unit's condition.
BatchRun::BatchRun(RunSteps& session, BatchRequest request)
    : session_(session),
      runLock_(session.StartRun(request.selection)),
      request_(std::move(request)),
      windowCountry_(CountryCode(request_.selection.country)),
      copyRegister_(session.ProgramFolder()) {
  if (const std::string safe = CopyNames::SafeFileNamePart(request_.prefix); safe != request_.prefix) {
    outcome_.prefixUsed = safe;
  }
  texts_ = TextsOf(request_.selection);
  // A levelled filter without a selected level keeps the fragment of the run before, as an update would.
  conditions_ = session_.CurrentConditions();
  BuildCriteria(request_.selection, conditions_);
  session_.KeepRunState(conditions_, texts_);
}

std::optional<BatchStep> BatchRun::Next() {
  while (next_ < request_.items.size() && (next_ >= request_.selected.size() || !request_.selected[next_])) {
    ++next_;
  }
  if (next_ >= request_.items.size() || !outcome_.stoppedBy.empty()) {
    if (!outcome_.stoppedBy.empty()) NoteItemsNotRun();
    outcome_.labelText = BatchFinishedText(outcome_);
    return std::nullopt;
  }
  const Filter& filter = FilterOfUnitOrThrow(request_.unit);
  item_ = request_.items[next_++];
  itemName_ = filter.itemName ? filter.itemName(item_) : item_;
  texts_.*filter.slot = item_;
  const bool byCountry = filter.kind == FilterKind::country;
  if (byCountry) {
    const std::string code = CountryCode(item_);
    conditions_.fragments.*filter.slot = Fragment(filter, filter.column, code);
    changeColumn_ = ChangeColumnFor(code, conditions_.ChangeField);
    sql_ = ChangeQuery(code, changeColumn_, conditions_);
  } else {
    // A levelled unit's items are those of the level whose list the window shows.
    const std::string& column =
        filter.kind == FilterKind::levelled ? session_.ChosenColumn(filter) : std::string(filter.column);
    conditions_.fragments.*filter.slot = Fragment(filter, column, item_);
    changeColumn_ = conditions_.ChangeField;
    sql_ = ChangeQuery(windowCountry_, changeColumn_, conditions_);
  }
  session_.KeepRunState(conditions_, texts_);
  ++outcome_.processed;
  return BatchStep{
      "Processing update " + std::to_string(outcome_.processed) + " of " + request_.count + "...", byCountry};
}

BatchRun::CopyNameChoice BatchRun::ChooseCopyName() {
  const auto folder = std::filesystem::path(session_.ProgramFolder());
  const auto isReport = [](const std::string& candidate) {
    return db::EqualsIgnoringAsciiCase(candidate + ".xls", vocabulary::kReportFileName);
  };
  const auto takenByOthers = [&](const std::string& candidate) {
    const std::string file = candidate + ".xls";
    std::error_code error;
    return isReport(candidate) ||
           (std::filesystem::exists(std::filesystem::symlink_status(folder / file, error)) &&
            !copyRegister_.IsReportCopy(file));
  };
  const std::string first = copyNames_.Next(request_.prefix, itemName_);
  if (isReport(first)) {
    return {.name = {}, .refusal = "the copy name \"" + first + ".xls\" is the report workbook's own name"};
  }
  // Another item of this batch had the name already (items equal but for letter case or replaced
  // characters): the user learns which file holds this item.
  if (const std::string stem =
          CopyNames::SafeFileNamePart(request_.prefix) + "_" + CopyNames::SafeFileNamePart(itemName_);
      first != stem) {
    outcome_.renamed.push_back(item_ + ": the copy is " + first + ".xls");
  }
  if (!takenByOthers(first)) return {.name = first, .refusal = {}};
  const std::string other = copyNames_.Next(request_.prefix, itemName_, takenByOthers);
  outcome_.kept.push_back(first + ".xls kept, the copy is " + other + ".xls");
  return {.name = other, .refusal = {}};
}

void BatchRun::RunItem() {
  try {
    RunItemSteps();
  } catch (const db::DbError& error) {
    NoteFailure(outcome_, item_, error.Description() + " (error " + std::to_string(error.Number()) + ")");
    if (ServerGone(error)) {
      outcome_.stoppedBy = Sentence(error.Description());
    } else if (const auto gone = ServerGoneSince()) {
      outcome_.stoppedBy = Sentence(*gone);
    }
  }
}

// A statement that failed because the server went away does not always say so (the connection may notice
// only at its next use); one question to the database tells.
std::optional<std::string> BatchRun::ServerGoneSince() {
  try {
    session_.WorkDb().CheckQuery("SELECT 1");
  } catch (const db::DbError& error) {
    if (ServerGone(error)) return error.Description();
    // The item's own failure is noted already; this answer only tells whether the batch can go on.
    qCWarning(lcQuery) << "Asking the database whether the server is still there failed:"
                       << error.Description().c_str();
  }
  return std::nullopt;
}

void BatchRun::NoteItemsNotRun() {
  for (; next_ < request_.items.size(); ++next_) {
    if (next_ < request_.selected.size() && request_.selected[next_]) {
      outcome_.notRun.push_back(request_.items[next_]);
    }
  }
}

void BatchRun::RunItemSteps() {
  // A workbook that cannot be written fails every item alike: the batch stops with nothing changed.
  if (const std::string problem = session_.ReportProblem(); !problem.empty()) {
    NoteFailure(outcome_, item_, problem + "; nothing changed");
    outcome_.stoppedBy = Sentence(problem);
    return;
  }
  // The item's rows are read once, here, before FILTERED or the workbook is touched; the report takes them,
  // and the batch summary keeps them.
  workbook::QueryTable rows = ReadRows(session_.WorkDb(), sql_);
  const FilteredRefresh refreshed = session_.RefreshOnNewFiltered(sql_, rows, texts_, changeColumn_);
  const workbook::RefreshOutcome& refresh = refreshed.workbook;
  // Without this item's figures in the saved report, a copy would show the previous item's report, and
  // FILTERED went back to the selection that report shows.
  if (!refreshed.kept) {
    const std::string& notPutBack = refreshed.notPutBack;
    NoteFailure(outcome_, item_,
                ReasonOr(refresh, "the report was not saved") + "; no copy written" +
                    (notPutBack.empty() ? "; FILTERED is as it was"
                                        : "; FILTERED could not be put back (" + notPutBack + ")"));
    return;
  }
  const CopyNameChoice copyName = ChooseCopyName();
  if (!copyName.refusal.empty()) {
    NoteFailure(outcome_, item_, copyName.refusal);
    return;
  }
  // The copy is written from the report just refreshed, whose data sheet holds the item's rows already.
  const auto copy = session_.RefreshReport(copyName.name, workbook::RefreshMode::copy, SelectionTexts{},
                                           conditions_.ChangeField, nullptr);
  if (!copy.copied) {
    NoteFailure(outcome_, item_, ReasonOr(copy, "the copy was not written"));
    return;
  }
  outcome_.copies.push_back(copyName.name);
  outcome_.copyFigures.push_back({item_, copyName.name, std::move(rows)});
  copyRegister_.Note(copyName.name + ".xls");
  // The copy holds the item's figures, but its cover page may still show the item before.
  if (!refresh.coverPageFailure.empty()) {
    NoteFailure(outcome_, item_, "cover page not written: " + refresh.coverPageFailure);
  }
}

BatchOutcome Batch(RunSteps& session, BatchRequest request) {
  BatchRun run(session, std::move(request));
  while (run.Next()) run.RunItem();
  return run.Outcome();
}

std::string BatchItemsLine(const BatchOutcome& outcome, int total) {
  std::string line =
      std::to_string(outcome.processed - outcome.failed) + " of " + std::to_string(total) + " items done";
  if (outcome.failed > 0) line += "; failed: " + NameList(outcome.failedItems);
  if (!outcome.notRun.empty()) line += "; not run: " + NameList(outcome.notRun);
  return line;
}

std::string BatchDetailLines(const BatchOutcome& outcome) {
  std::string text;
  if (outcome.failed > 0) text += "\r\nFirst failure: " + outcome.failures.front();
  if (!outcome.kept.empty()) text += "\r\n" + AndMore(outcome.kept);
  if (!outcome.renamed.empty()) text += "\r\n" + AndMore(outcome.renamed);
  if (!outcome.prefixUsed.empty()) {
    text += "\r\nThe file names begin with \"" + outcome.prefixUsed +
            "\": characters that a file name cannot hold were replaced";
  }
  return text;
}

std::string BatchFinishedText(const BatchOutcome& outcome) {
  std::string text = outcome.stoppedBy.empty() ? std::string("Tasks finished")
                                               : "Batch stopped: " + outcome.stoppedBy +
                                                     " Run the batch again for the items not run.";
  if (outcome.failed > 0 || !outcome.notRun.empty()) {
    text += "\r\n" + BatchItemsLine(outcome, outcome.processed + static_cast<int>(outcome.notRun.size()));
  }
  return text + BatchDetailLines(outcome);
}

}  // namespace quorvia::query
