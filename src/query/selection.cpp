#include "query/selection.h"

namespace quorvia::query {

std::string FirstCharacters(const std::string& text, int count) {
  std::size_t end = 0;
  for (int taken = 0; taken < count && end < text.size(); ++taken) {
    ++end;
    // Continuation bytes (10xxxxxx) belong to the character already taken.
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return text.substr(0, end);
}

}  // namespace quorvia::query
