#pragma once

#include <chrono>
#include <string>

namespace quorvia::workbook::office {

// Where a dedicated headless office listens and keeps its state. One office serves one profile, so the
// pipe name and the profile folder go together.
struct OfficeOptions {
  std::string pipeName;    // UNO pipe the office accepts connections on
  std::string profileDir;  // user installation (profile) of the office
  std::string homeDir;     // HOME of the office process: it writes caches there even with its own profile
  std::string
      sofficePath;  // the office binary itself (soffice.bin, so that the process we start is the office)
  std::chrono::milliseconds startTimeout{std::chrono::seconds(30)};
  // Program folder whose visible report office counts as the running instance; empty: none does.
  std::string reportFolder;

  // Pipe "quorvia_office_<uid>", folders under $XDG_CACHE_HOME (or $HOME/.cache) /quorvia/.
  static OfficeOptions Default();
};

}  // namespace quorvia::workbook::office
