#include "batch_summary/summary_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <variant>

#include "db/ascii_case.h"

namespace quorvia::batch_summary {
namespace {

using workbook::QueryValue;

// A change type as the pivot table orders its rows: numbers first, ascending, then texts, then the
// empty one.
struct ChangeKey {
  int kind = 0;  // 0 number, 1 text, 2 empty
  double number = 0;
  std::string text;
  bool operator<(const ChangeKey& other) const {
    if (kind != other.kind) return kind < other.kind;
    if (kind == 0) return number < other.number;
    const std::string mine = db::LowerAscii(text);
    const std::string theirs = db::LowerAscii(other.text);
    return mine != theirs ? mine < theirs : text < other.text;
  }
};

std::string NumberText(double value) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end.ptr);
}

ChangeKey KeyOf(const QueryValue& value) {
  if (const auto* number = std::get_if<double>(&value)) return {0, *number, NumberText(*number)};
  if (const auto* text = std::get_if<std::string>(&value)) return {1, 0, *text};
  return {2, 0, "(empty)"};
}

// The position of a column by its name (the change query names them CHANGE and AREA), or `otherwise`.
std::size_t ColumnOf(const workbook::QueryTable& table, const char* name, std::size_t otherwise) {
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    if (db::EqualsIgnoringAsciiCase(table.columns[c], name)) return c;
  }
  return otherwise;
}

double Cents(double value) { return std::round(value * 100.0) / 100.0; }

// The figures of one copy: its rows' areas by change type.
struct CopyAreas {
  long records = 0;
  double total = 0;
  std::map<ChangeKey, double> byChange;
};

CopyAreas AreasOf(const workbook::QueryTable& rows) {
  const std::size_t change = ColumnOf(rows, "CHANGE", 0);
  const std::size_t area = ColumnOf(rows, "AREA", 1);
  CopyAreas areas;
  areas.records = static_cast<long>(rows.rows.size());
  for (const auto& row : rows.rows) {
    const double* value = area < row.size() ? std::get_if<double>(&row[area]) : nullptr;
    const ChangeKey key = KeyOf(change < row.size() ? row[change] : QueryValue{});
    areas.byChange[key] += value ? *value : 0.0;
    if (value) areas.total += *value;
  }
  return areas;
}

// The failure reasons of each item, in the order the batch noted them.
std::map<std::string, std::deque<std::string>> ReasonsByItem(const query::BatchOutcome& outcome) {
  std::map<std::string, std::deque<std::string>> reasons;
  for (std::size_t i = 0; i < outcome.failedItems.size() && i < outcome.failures.size(); ++i) {
    const std::string& item = outcome.failedItems[i];
    const std::string& line = outcome.failures[i];
    reasons[item].push_back(line.starts_with(item + ": ") ? line.substr(item.size() + 2) : line);
  }
  return reasons;
}

std::string NotRunReason(const query::BatchOutcome& outcome) {
  return outcome.stoppedBy.empty() ? "the batch was stopped before this item"
                                   : "the batch stopped: " + outcome.stoppedBy;
}

}  // namespace

int SummaryTable::CopiesWritten() const {
  return static_cast<int>(
      std::count_if(rows.begin(), rows.end(), [](const auto& r) { return r.hasFigures; }));
}

const char* StateWord(ItemState state) {
  switch (state) {
    case ItemState::done:
      return "done";
    case ItemState::failed:
      return "failed";
    case ItemState::notRun:
      return "not run";
  }
  return "";
}

SummaryTable BuildSummaryTable(const query::BatchRequest& request, const query::BatchOutcome& outcome) {
  std::map<std::string, std::deque<const query::CopyFigures*>> copies;
  for (const auto& figures : outcome.copyFigures) copies[figures.item].push_back(&figures);
  auto reasons = ReasonsByItem(outcome);
  // Items the batch processed come first in its order; every item after them was not run.
  int processedLeft = outcome.processed;

  SummaryTable table;
  table.partial = !outcome.notRun.empty() || !outcome.stoppedBy.empty();
  table.stoppedBy = outcome.stoppedBy;
  std::map<ChangeKey, std::size_t> columns;
  std::vector<CopyAreas> areas;
  for (std::size_t i = 0; i < request.items.size(); ++i) {
    if (i >= request.selected.size() || !request.selected[i]) continue;
    SummaryRow row;
    row.item = request.items[i];
    CopyAreas itemAreas;
    const bool processed = processedLeft-- > 0;
    if (auto& copy = copies[row.item]; processed && !copy.empty()) {
      row.copy = copy.front()->copy + ".xls";
      itemAreas = AreasOf(copy.front()->rows);
      copy.pop_front();
      row.hasFigures = true;
      row.records = itemAreas.records;
      row.totalArea = itemAreas.total;
      table.batchTotal += itemAreas.total;
      for (const auto& [key, area] : itemAreas.byChange) columns.emplace(key, 0);
    }
    if (auto& reason = reasons[row.item]; processed && !reason.empty()) {
      row.state = ItemState::failed;
      row.reason = reason.front();
      reason.pop_front();
    } else if (processed) {
      row.state = ItemState::done;
    } else {
      row.reason = NotRunReason(outcome);
      table.partial = true;
    }
    table.rows.push_back(std::move(row));
    areas.push_back(std::move(itemAreas));
  }
  for (auto& [key, position] : columns) {
    position = table.changeTypes.size();
    table.changeTypes.push_back(key.text);
  }
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    SummaryRow& row = table.rows[r];
    if (!row.hasFigures) continue;
    row.byChange.assign(table.changeTypes.size(), 0.0);
    for (const auto& [key, area] : areas[r].byChange) row.byChange[columns.at(key)] = area;
    row.share = table.batchTotal != 0 ? row.totalArea / table.batchTotal : 0.0;
  }
  return table;
}

std::vector<std::string> SummaryHeader(const SummaryTable& table) {
  std::vector<std::string> header{"Item", "Copy", "Records", "Total area (ha)"};
  for (const auto& change : table.changeTypes) header.push_back(change);
  for (const char* last : {"Share of batch total (%)", "State", "Reason"}) header.emplace_back(last);
  return header;
}

std::vector<std::vector<QueryValue>> SummaryCells(const SummaryTable& table) {
  std::vector<std::vector<QueryValue>> cells;
  cells.reserve(table.rows.size());
  for (const SummaryRow& row : table.rows) {
    auto& line = cells.emplace_back();
    line.emplace_back(row.item);
    line.emplace_back(row.copy);
    const auto figure = [&](double value) { return row.hasFigures ? QueryValue(value) : QueryValue(); };
    line.push_back(figure(static_cast<double>(row.records)));
    line.push_back(figure(Cents(row.totalArea)));
    for (std::size_t c = 0; c < table.changeTypes.size(); ++c) {
      line.push_back(figure(Cents(row.hasFigures ? row.byChange[c] : 0.0)));
    }
    line.push_back(figure(Cents(row.share * 100.0)));
    line.emplace_back(std::string(StateWord(row.state)));
    line.emplace_back(row.reason);
  }
  return cells;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

namespace {

std::string CsvText(const QueryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return CsvField(*text);
  if (const auto* number = std::get_if<double>(&value)) {
    char formatted[64];
    const bool whole = std::floor(*number) == *number && std::fabs(*number) < 1e15;
    std::snprintf(formatted, sizeof formatted, whole ? "%.0f" : "%.2f", *number);
    return formatted;
  }
  return {};
}

}  // namespace

std::string SummaryCsv(const SummaryTable& table) {
  std::string csv;
  const auto header = SummaryHeader(table);
  for (std::size_t c = 0; c < header.size(); ++c) csv += (c ? "," : "") + CsvField(header[c]);
  csv += "\r\n";
  for (const auto& line : SummaryCells(table)) {
    for (std::size_t c = 0; c < line.size(); ++c) csv += (c ? "," : "") + CsvText(line[c]);
    csv += "\r\n";
  }
  return csv;
}

}  // namespace quorvia::batch_summary
