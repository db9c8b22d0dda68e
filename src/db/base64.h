#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvia::db {

// Standard base64 (RFC 4648, with padding). Its alphabet holds no '*', so an encoded text can sit inside
// an SQL block comment without closing it.
std::string EncodeBase64(std::string_view bytes);
std::optional<std::string> DecodeBase64(std::string_view text);  // nullopt for a malformed text

}  // namespace quorvia::db
