#include "query/copy_register.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace quorvia::query {
namespace fs = std::filesystem;

namespace {

// FNV-1a over the whole file: a copy is a few hundred kilobytes, and any change of content shows.
std::optional<std::uint64_t> ContentHash(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::uint64_t hash = 14695981039346656037ULL;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      hash ^= static_cast<unsigned char>(buffer[i]);
      hash *= 1099511628211ULL;
    }
  }
  if (in.bad()) return std::nullopt;
  return hash;
}

}  // namespace

CopyRegister::CopyRegister(std::string folder) : CopyRegister(std::move(folder), kFileName) {}

CopyRegister::CopyRegister(std::string folder, std::string registerFileName)
    : folder_(std::move(folder)), registerFileName_(std::move(registerFileName)) {
  std::ifstream in(fs::path(folder_) / registerFileName_);
  std::string line;
  if (!std::getline(in, line) || line != kFormLine) return;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Stamp stamp;
    std::string name;
    if (fields >> stamp.size >> stamp.modified >> std::hex >> stamp.hash && fields.get() == ' ' &&
        std::getline(fields, name) && !name.empty()) {
      copies_[name] = stamp;
    }
  }
}

std::optional<CopyRegister::Stamp> CopyRegister::StampOf(const std::string& fileName) const {
  const fs::path path = fs::path(folder_) / fileName;
  std::error_code error;
  // A link is never taken for a copy: what it points to may be anybody's file.
  if (!fs::is_regular_file(fs::symlink_status(path, error))) return std::nullopt;
  const auto size = fs::file_size(path, error);
  if (error) return std::nullopt;
  const auto modified = fs::last_write_time(path, error);
  if (error) return std::nullopt;
  const auto hash = ContentHash(path);
  if (!hash) return std::nullopt;
  return Stamp{size, static_cast<std::int64_t>(modified.time_since_epoch().count()), *hash};
}

bool CopyRegister::IsReportCopy(const std::string& fileName) const {
  const auto entry = copies_.find(fileName);
  return entry != copies_.end() && StampOf(fileName) == entry->second;
}

void CopyRegister::Note(const std::string& fileName) {
  if (const auto stamp = StampOf(fileName)) {
    copies_[fileName] = *stamp;
    Write();
  }
}

void CopyRegister::Write() const {
  const fs::path path = fs::path(folder_) / registerFileName_;
  const fs::path fresh = fs::path(folder_) / (registerFileName_ + ".new");
  {
    std::ofstream out(fresh, std::ios::trunc);
    out << kFormLine << '\n';
    for (const auto& [name, stamp] : copies_) {
      // Names of existing files only: one that has gone is nobody's copy any more.
      std::error_code error;
      if (fs::is_regular_file(fs::symlink_status(fs::path(folder_) / name, error))) {
        out << std::dec << stamp.size << ' ' << stamp.modified << ' ' << std::hex << stamp.hash << ' ' << name
            << '\n';
      }
    }
    if (!out) {
      out.close();
      std::error_code ignored;
      fs::remove(fresh, ignored);
      return;
    }
  }
  std::error_code error;
  fs::rename(fresh, path, error);
  if (error) fs::remove(fresh, error);
}

}  // namespace quorvia::query
