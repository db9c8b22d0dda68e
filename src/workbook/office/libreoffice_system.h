#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>

#include "workbook/office/libreoffice_application.h"
#include "workbook/office/office_options.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

class OfficeProcess;

// Finds or starts the headless LibreOffice that serves this program. "The running instance" is the visible
// report office of the options' program folder while it shows a workbook of that folder, and otherwise
// the office listening on the options' pipe. The report office is the user's: it is never ended here.
// Creating an instance reuses that office when one listens (one office serves one profile) and otherwise
// starts a dedicated one, owned by this object: it is ended when this object is destroyed, and by the kernel
// if the program dies first.
class LibreOfficeSystem final : public SpreadsheetSystem {
 public:
  explicit LibreOfficeSystem(OfficeOptions options = OfficeOptions::Default());
  LibreOfficeSystem(const LibreOfficeSystem&) = delete;
  LibreOfficeSystem& operator=(const LibreOfficeSystem&) = delete;
  ~LibreOfficeSystem() override;

  std::unique_ptr<SpreadsheetApplication> GetRunningInstance() override;
  std::unique_ptr<SpreadsheetApplication> CreateInstance() override;

  // The same, with the concrete type, for tools that need the office beyond the report refresh.
  std::unique_ptr<LibreOfficeApplication> ConnectToRunningOffice();
  std::unique_ptr<LibreOfficeApplication> ConnectOrStartOffice();

  // Process id of the office this object started, while it runs.
  std::optional<pid_t> StartedOfficePid() const;
  const OfficeOptions& Options() const noexcept { return options_; }

 private:
  std::unique_ptr<LibreOfficeApplication> StartOffice();
  // The connection to the office on our pipe, made or checked afresh. NoOfficeError when none listens.
  css::uno::Reference<css::uno::XComponentContext> LiveConnection();
  std::weak_ptr<OfficeProcess> OurRunningOffice() const;
  void EndStartedOffice() noexcept;

  OfficeOptions options_;
  std::shared_ptr<OfficeProcess> started_;
  css::uno::Reference<css::uno::XComponentContext> connection_;
};

}  // namespace quorvia::workbook::office
