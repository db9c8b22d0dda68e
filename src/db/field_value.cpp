#include "db/field_value.h"

#include <array>
#include <charconv>
#include <string_view>

namespace quorvia::db {

namespace {

// Shortest text that reads back as the same double: 812.9 stays "812.9", 3.0 becomes "3".
std::string ShortestText(double value) {
  std::array<char, 32> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// The whole text (blanks around it aside) must be a number; anything else counts as 0.
double ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (text.starts_with('+')) text.remove_prefix(1);
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool wholeText = result.ec == std::errc{} && result.ptr == text.data() + text.size();
  return wholeText ? value : 0.0;
}

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};

}  // namespace

std::string FieldValue::ToString() const {
  return std::visit(Overloaded{[](std::monostate) { return std::string(); },
                               [](std::int64_t value) { return std::to_string(value); },
                               [](double value) { return ShortestText(value); },
                               [](const std::string& value) { return value; }},
                    storage_);
}

double FieldValue::ToDouble() const {
  return std::visit(Overloaded{[](std::monostate) { return 0.0; },
                               [](std::int64_t value) { return static_cast<double>(value); },
                               [](double value) { return value; },
                               [](const std::string& value) { return ParseNumber(value); }},
                    storage_);
}

}  // namespace quorvia::db
