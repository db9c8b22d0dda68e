#include "db/ascii_case.h"

#include <algorithm>

namespace quorvia::db {

namespace {

char FoldAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char RaiseAscii(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string lowered(text);
  std::ranges::transform(lowered, lowered.begin(), FoldAscii);
  return lowered;
}

std::string UpperAscii(std::string_view text) {
  std::string raised(text);
  std::ranges::transform(raised, raised.begin(), RaiseAscii);
  return raised;
}

bool EqualsIgnoringAsciiCase(std::string_view left, std::string_view right) noexcept {
  return std::ranges::equal(left, right, [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
}

}  // namespace quorvia::db
