#pragma once

#include <optional>
#include <string>

namespace quorvia::access_import {

enum class AccessFormat { Jet3, Jet4, Ace };

struct AccessHeader {
  AccessFormat format = AccessFormat::Jet4;
  int pageSize = 4096;
};

// The format of an Access file, recognised by its first page rather than its name; nullopt for any other
// file, and for one that cannot be read.
std::optional<AccessHeader> ReadAccessHeader(const std::string& path);

inline bool IsAccessFile(const std::string& path) { return ReadAccessHeader(path).has_value(); }

// Checks what can be checked before the reader sees the file: an Access header, whole pages, and at least
// the pages that hold the catalogue. Throws ImportError saying what is wrong.
AccessHeader CheckAccessFile(const std::string& path);

}  // namespace quorvia::access_import
