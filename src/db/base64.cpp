#include "db/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace quorvia::db {

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
  const std::size_t found = kAlphabet.find(c);
  return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

}  // namespace

std::string EncodeBase64(std::string_view bytes) {
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::uint32_t byte = k < count ? static_cast<unsigned char>(bytes[i + k]) : 0U;
      group = (group << 8) | byte;
    }
    for (std::size_t k = 0; k < 4; ++k) {
      encoded += k <= count ? kAlphabet[(group >> (18 - 6 * k)) & 0x3FU] : '=';
    }
  }
  return encoded;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string decoded;
  decoded.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool lastGroup = i + 4 == text.size();
    std::uint32_t group = 0;
    std::size_t padding = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      if (c == '=' && lastGroup && k >= 2) {
        ++padding;
        group <<= 6;
        continue;
      }
      const int sextet = SextetOf(c);
      if (sextet < 0 || padding > 0) return std::nullopt;
      group = (group << 6) | static_cast<std::uint32_t>(sextet);
    }
    const std::array<char, 3> bytes{static_cast<char>(group >> 16), static_cast<char>(group >> 8),
                                    static_cast<char>(group)};
    decoded.append(bytes.data(), 3 - padding);
  }
  return decoded;
}

}  // namespace quorvia::db
