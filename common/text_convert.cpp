#include "text_convert.h"

#include <windows.h>

#include <vector>

namespace tavrin {

namespace {

std::wstring toWide(UINT codePage, const std::string& text) {
  const char* source = text.c_str();  // the conversion stops at the first NUL
  int length = ::MultiByteToWideChar(codePage, 0, source, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  ::MultiByteToWideChar(codePage, 0, source, -1, buffer.data(), length);
  return std::wstring(buffer.data());
}

std::string toNarrow(UINT codePage, const std::wstring& text) {
  const wchar_t* source = text.c_str();
  int length = ::WideCharToMultiByte(codePage, 0, source, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  ::WideCharToMultiByte(codePage, 0, source, -1, buffer.data(), length, nullptr, nullptr);
  return std::string(buffer.data());
}

}  // namespace

std::wstring utf8ToWide(const std::string& utf8) { return toWide(CP_UTF8, utf8); }
std::string wideToUtf8(const std::wstring& wide) { return toNarrow(CP_UTF8, wide); }
std::wstring ansiToWide(const std::string& ansi) { return toWide(CP_ACP, ansi); }
std::string wideToAnsi(const std::wstring& wide) { return toNarrow(CP_ACP, wide); }

}  // namespace tavrin
