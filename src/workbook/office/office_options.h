#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace quorvia::folder_lock {
class FolderLock;
}

namespace quorvia::workbook::office {

// Where a dedicated headless office listens and keeps its state. One office serves one profile, so the
// pipe name and the profile folder go together.
struct OfficeOptions {
  std::string pipeName;    // UNO pipe the office accepts connections on
  std::string profileDir;  // user installation (profile) of the office
  std::string homeDir;     // HOME of the office process: it writes caches there even with its own profile
  std::string tempDir;     // TMPDIR of the office process; emptied before each start. Empty: under homeDir
  std::string
      sofficePath;  // the office binary itself (soffice.bin, so that the process we start is the office)
  std::chrono::milliseconds startTimeout{std::chrono::seconds(30)};
  // The longest an office call may take before the office counts as frozen and is ended.
  std::chrono::milliseconds callTimeout{std::chrono::seconds(30)};
  // Held while the options live when the folders above are one slot of a shared pool (see Default).
  std::shared_ptr<const folder_lock::FolderLock> slotLock;
  // Program folder whose visible report office counts as the running instance; empty: none does.
  std::string reportFolder;

  // An office of this process alone: pipe "quorvia_office_<uid>_<pid>", and the folders of the first free
  // slot under $XDG_CACHE_HOME (or $HOME/.cache) /quorvia/office-<n>/, locked for this process. A slot
  // outlives its process, so a later Quorvia reuses the profile the office has already set up.
  static OfficeOptions Default();
  // An office in folders of its own under `folder` (profile/, home/, tmp/), listening on `pipeName`: for
  // tools, tests and benchmarks that must not touch the user's offices.
  static OfficeOptions Private(const std::string& pipeName, const std::string& folder);
  // The temporary folder the office is given.
  std::string OfficeTempDir() const { return tempDir.empty() ? homeDir + "/tmp" : tempDir; }
};

// Quorvia's folder for the state of its offices: $XDG_CACHE_HOME (or $HOME/.cache) /quorvia.
std::string QuorviaCacheFolder();

}  // namespace quorvia::workbook::office
