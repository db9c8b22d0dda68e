#include "db/ascii_case.h"

#include <algorithm>

namespace quorvia::db {

namespace {

char FoldAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string lowered(text);
  std::ranges::transform(lowered, lowered.begin(), FoldAscii);
  return lowered;
}

bool EqualsIgnoringAsciiCase(std::string_view left, std::string_view right) noexcept {
  return std::ranges::equal(left, right, [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
}

}  // namespace quorvia::db
