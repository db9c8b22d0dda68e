#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quorvia::testing {

// A file's bytes as they are on disk; "" for a file that cannot be read.
inline std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace quorvia::testing
