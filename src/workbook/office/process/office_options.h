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
  // How the office runs. Quorvia's own office is headless and a child that dies with the thread that
  // started it. The report office shows its windows on the user's desktop and belongs to the desktop
  // session: it is detached, keeps the user's environment and stays when this program ends.
  enum class Kind { HeadlessChild, VisibleDetached };

  Kind kind = Kind::HeadlessChild;
  std::string pipeName;    // UNO pipe the office accepts connections on
  std::string profileDir;  // user installation (profile) of the office; empty: the user's own profile
  std::string homeDir;     // HOME of a headless office: it writes caches there even with its own profile
  std::string tempDir;     // TMPDIR of a headless office; emptied before each start. Empty: under homeDir
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
  // A visible office on the user's desktop, detached from this program, listening on `pipeName`, on the
  // profile folder `profileDir` (empty: the user's own profile, as the desktop starts the office).
  static OfficeOptions VisibleDetached(const std::string& pipeName, const std::string& profileDir);
  // The profile folder the office works on.
  std::string ProfileFolder() const;
  // The temporary folder the office is given.
  std::string OfficeTempDir() const { return tempDir.empty() ? homeDir + "/tmp" : tempDir; }
};

// The profile an office uses when it is given none: the user's own, under $XDG_CONFIG_HOME (or
// $HOME/.config) /libreoffice/4.
std::string UsersOwnProfile();

// Quorvia's folder for the state of its offices: $XDG_CACHE_HOME (or $HOME/.cache) /quorvia.
std::string QuorviaCacheFolder();

}  // namespace quorvia::workbook::office
