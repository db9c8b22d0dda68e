#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace quorvia::query {

// The report copies that batches wrote into one program folder, so that a batch run again replaces its own
// earlier copies and never a file of the user's. The register is the file ".quorvia-copies" in the folder:
// a first line naming its form, then one line per copy, "<size> <modification time> <content hash> <file
// name>". A file that has changed since it was written (the user saved over it, even keeping its size and
// time) no longer counts as a copy; a register that cannot be read, or one of an earlier form without the
// hashes, counts no file as a copy, so the worst it can cause is a copy under a new name, never a lost file.
class CopyRegister {
 public:
  explicit CopyRegister(std::string folder);
  // A register of other files Quorvia writes into the folder, under the same rule, in a file of its own.
  CopyRegister(std::string folder, std::string registerFileName);

  // Whether fileName (in the folder) is a copy written earlier and unchanged since.
  bool IsReportCopy(const std::string& fileName) const;
  // Records fileName as it is now and writes the register (whole, through a new file renamed over it).
  void Note(const std::string& fileName);

  static constexpr const char* kFileName = ".quorvia-copies";
  static constexpr const char* kFormLine = "quorvia copies 2";

 private:
  struct Stamp {
    std::uintmax_t size = 0;
    std::int64_t modified = 0;
    std::uint64_t hash = 0;  // of the file's content
    bool operator==(const Stamp&) const = default;
  };
  std::optional<Stamp> StampOf(const std::string& fileName) const;
  void Write() const;

  const std::string folder_;
  const std::string registerFileName_;
  std::map<std::string, Stamp> copies_;
};

}  // namespace quorvia::query
