#include "workbook/office/uno/uno_text.h"

#include <osl/file.hxx>

#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

rtl::OUString ToOUString(const std::string& utf8) {
  return rtl::OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

std::string ToUtf8(const rtl::OUString& text) {
  const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

rtl::OUString FileUrlFromPath(const std::string& path) {
  rtl::OUString url;
  if (osl::FileBase::getFileURLFromSystemPath(ToOUString(path), url) != osl::FileBase::E_None) {
    throw AutomationError("not a usable file path: " + path);
  }
  return url;
}

std::string PathFromFileUrl(const rtl::OUString& url) {
  rtl::OUString path;
  if (osl::FileBase::getSystemPathFromFileURL(url, path) != osl::FileBase::E_None) {
    throw AutomationError("not a local file: " + ToUtf8(url));
  }
  return ToUtf8(path);
}

}  // namespace quorvia::workbook::office
