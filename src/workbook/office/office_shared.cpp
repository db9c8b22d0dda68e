#include "workbook/office/office_shared.h"

#include "workbook/office/workbook_file/office_journal.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"

namespace quorvia::workbook::office {

void OfficeShared::Park() { parked_ = true; }

void OfficeShared::RemoveLeftoversOfEndedOffice(std::optional<int> officePid) {
  if (officePid) RemoveSaveFilesOfEndedOffice(*officePid, filesOpened);
  for (const auto& file : filesOpened) RemoveLeftoverLockFile(file, profileDir, false);
  filesOpened.clear();
  parked_ = false;
}

}  // namespace quorvia::workbook::office
