#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

namespace quorvia::workbook::office {

// Size and time of a file: enough to tell that nobody has written it since.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
  static std::optional<FileStamp> Of(const std::filesystem::path& file) {
    std::error_code error;
    FileStamp stamp{std::filesystem::file_size(file, error), {}};
    if (!error) stamp.modified = std::filesystem::last_write_time(file, error);
    if (error) return std::nullopt;
    return stamp;
  }
};

}  // namespace quorvia::workbook::office
