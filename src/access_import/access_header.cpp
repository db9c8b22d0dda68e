#include "access_import/access_header.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "import_rows/import_error.h"

namespace quorvia::access_import {
namespace {

// The first page starts with a page type of 0, a fixed signature and the engine version at 0x14.
constexpr std::size_t kSignatureOffset = 4;
constexpr std::string_view kJetSignature{"Standard Jet DB\0", 16};
constexpr std::string_view kAceSignature{"Standard ACE DB\0", 16};
constexpr std::size_t kVersionOffset = 0x14;
// Page 2 holds the system catalogue; a file without it cannot be read at all.
constexpr std::uintmax_t kFewestPages = 3;

}  // namespace

std::optional<AccessHeader> ReadAccessHeader(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::array<char, kVersionOffset + 1> bytes{};
  if (!file.read(bytes.data(), bytes.size())) return std::nullopt;
  if (bytes[0] != 0) return std::nullopt;
  const std::string_view signature(bytes.data() + kSignatureOffset, kJetSignature.size());
  const auto version = static_cast<unsigned char>(bytes[kVersionOffset]);
  if (signature == kJetSignature) {
    if (version == 0) return AccessHeader{AccessFormat::Jet3, 2048};
    if (version == 1) return AccessHeader{AccessFormat::Jet4, 4096};
    // Jet signature with a newer version number: files of the ACE engine that kept the old name.
    return AccessHeader{AccessFormat::Ace, 4096};
  }
  if (signature == kAceSignature) return AccessHeader{AccessFormat::Ace, 4096};
  return std::nullopt;
}

AccessHeader CheckAccessFile(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) throw import_rows::ImportError("Cannot read " + path + ": " + error.message());
  if (size == 0) throw import_rows::ImportError("Cannot convert " + path + ": the file is empty");
  const auto header = ReadAccessHeader(path);
  if (!header)
    throw import_rows::ImportError("Cannot convert " + path + ": not an Access database (unknown header)");
  if (size % header->pageSize != 0 || size < kFewestPages * header->pageSize) {
    throw import_rows::ImportError("Cannot convert " + path + ": the file is truncated (" +
                                   std::to_string(size) + " bytes is not a whole number of " +
                                   std::to_string(header->pageSize) + "-byte pages of a complete database)");
  }
  return *header;
}

}  // namespace quorvia::access_import
