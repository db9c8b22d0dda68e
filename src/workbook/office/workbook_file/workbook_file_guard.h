#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace quorvia::workbook::office {

// What keeps a workbook file safe while offices work on it: the office's lock file beside it (a lock that
// an ended office left goes, a live one keeps us out), the check that a file is a spreadsheet before
// anything opens it for writing, and writes that go to a temporary file beside the target and replace the
// target only once complete.

// The office's lock file beside a document, as the office names it.
std::filesystem::path OfficeLockFileOf(const std::filesystem::path& document);

// Removes the office lock file of `document` when it provably is a leftover of ours: it names the profile
// `ownProfileDir` while our office does not hold the document (`heldByOwnOffice` false), or it names the
// profile of a slot that no process holds any more. Lock files of anyone else are never touched.
void RemoveLeftoverLockFile(const std::filesystem::path& document, const std::filesystem::path& ownProfileDir,
                            bool heldByOwnOffice);

// True when the lock file was provably left by an office that has ended: it was written on this host by
// this user, and no office process of this user runs on the profile it names (an office ends only with
// its process, so such a lock holds nothing).
bool IsLockOfEndedOffice(const std::filesystem::path& lockFile);

// The lock file of `document` when some program holds it, after removing it when it is a lock of an ended
// office; nothing when there is no lock (any more).
std::optional<std::filesystem::path> LiveLockFileOf(const std::filesystem::path& document);

// Who holds a document by the lock file `lockFile`, in words for the user: "LibreOffice (process 123, on
// the profile /home/ann/.config/libreoffice/4)" when an office of this user on this host holds it, else
// what the lock file says ("LibreOffice of ann on host pc7 since 10.12.2026 09:15"), else "another program".
std::string LockHolder(const std::filesystem::path& lockFile);

// AutomationError, saying that the file is left as it is, unless `file` begins as a spreadsheet file does
// (a compound document or a zip package): an office would load anything else as something that is no
// workbook, and saving it would overwrite the user's file with that.
void RequireSpreadsheetFile(const std::filesystem::path& file);

// Why the workbook `file` cannot be refreshed and saved, as far as that shows before an office opens it:
// it is missing, a folder, no spreadsheet file, or read-only (no write permission at all, or a file this
// user may not write). In plain words with the whole path and what to do; "" when nothing stands in the way.
std::string WorkbookFileProblem(const std::filesystem::path& file);

// Writes `target` by handing `write` the name of a new, empty temporary file beside it, then renaming that
// over the target, so that a failed write never leaves a half-written file. The temporary file carries our
// process id: one that a killed process left is removed by the next write in that folder. AutomationError,
// naming `step`, when the folder cannot be written or the rename fails; whatever `write` throws passes.
void WriteThroughTemporary(const std::string& step, const std::filesystem::path& target,
                           const std::function<void(const std::string& temporary)>& write);

}  // namespace quorvia::workbook::office
