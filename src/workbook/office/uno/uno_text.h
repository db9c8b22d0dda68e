#pragma once

#include <rtl/ustring.hxx>

#include <string>

namespace quorvia::workbook::office {

rtl::OUString ToOUString(const std::string& utf8);
std::string ToUtf8(const rtl::OUString& text);

// file:// URL of an absolute local path, and back. AutomationError when the conversion fails.
rtl::OUString FileUrlFromPath(const std::string& path);
std::string PathFromFileUrl(const rtl::OUString& url);

}  // namespace quorvia::workbook::office
