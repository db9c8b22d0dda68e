#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QListWidget>
#include <QStringList>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>

#include "batch_dialog/form2.h"
#include "office_test_support.h"
#include "recording_modal_host.h"

// What the end-to-end suites on either engine do alike: fill in the batch dialog and read a report back.
namespace quorvia::app {

// Scripts the batch dialog the way a user fills it in: picks `unit`, lists its items, selects `items` and
// confirms, then answers the prefix question with `prefix`.
inline void AnswerBatchDialog(RecordingModalHost& modals, const QString& unit, const QStringList& items,
                              const QString& prefix) {
  modals.inputAnswer = prefix;
  modals.driveDialog = [=](QDialog& dialog) {
    auto& form2 = dynamic_cast<batch_dialog::Form2&>(dialog);
    form2.List1(0)->findItems(unit, Qt::MatchExactly).front()->setSelected(true);
    form2.Command1_Click();
    for (const auto& item : items) {
      const auto found = form2.List1(1)->findItems(item, Qt::MatchExactly);
      ASSERT_FALSE(found.isEmpty()) << item.toStdString();
      found.front()->setSelected(true);
    }
    form2.Command1_Click();
  };
}

// The pivot's grand total and the named cover cells of a workbook file, read through the office.
struct WorkbookReport {
  double total = 0;
  std::map<std::string, std::string> cover;
};

inline WorkbookReport ReadWorkbookReport(workbook::office::LibreOfficeApplication& probeOffice,
                                         const std::filesystem::path& file,
                                         std::initializer_list<const char*> coverCells) {
  workbook::office::testing::WorkbookProbe probe(probeOffice);
  const std::string name = probe.Load(file);
  WorkbookReport report;
  const auto figures = probe.PivotOutput(name, "Report");
  if (const auto total = figures.find("Total Result"); total != figures.end()) report.total = total->second;
  for (const char* cell : coverCells) report.cover[cell] = probe.CellText(name, "CoverPage", cell);
  return report;
}

}  // namespace quorvia::app
