#include "workbook/office/binding/data_binding.h"

#include <string_view>

namespace quorvia::workbook::office {
namespace {

constexpr std::string_view kScheme = "sqlite:";

bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool IsIdentifier(const std::string& name) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    if (!(letter || (digit && i > 0))) return false;
  }
  return true;
}

}  // namespace

std::string FormatBindingRecord(const DataBinding& binding) {
  return std::string(kScheme) + binding.databaseFile + "#" + binding.query;
}

std::optional<DataBinding> ParseBindingRecord(const std::string& text) {
  if (!text.starts_with(kScheme)) return std::nullopt;
  const std::string rest = text.substr(kScheme.size());
  const auto hash = rest.rfind('#');
  if (hash == std::string::npos) return std::nullopt;
  DataBinding binding{rest.substr(0, hash), rest.substr(hash + 1)};
  if (!IsPlainFileName(binding.databaseFile) || !IsIdentifier(binding.query)) return std::nullopt;
  return binding;
}

}  // namespace quorvia::workbook::office
