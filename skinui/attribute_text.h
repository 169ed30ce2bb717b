// Reading the values of layout attributes: integer lists, colours, switches
// and the alignment words of text controls. Layout text is UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui_rect.h"

namespace SkinUI {

// Up to `count` integers separated by commas; missing or unreadable numbers are 0.
std::vector<int> ParseIntegerList(std::string_view text, int count);
int ParseInteger(std::string_view text);
UiRect ParseRect(std::string_view text);
UiSize ParseSize(std::string_view text);

// Eight hex digits AARRGGBB, optionally after a '#'.
uint32_t ParseColor(std::string_view text);

// Only the exact word "true" switches something on.
bool IsTrue(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);

// Layout text (UTF-8) as the wide text the controls keep.
std::wstring WideFromUtf8(std::string_view utf8);

// A list of key="value" (or key='value') pairs separated by blanks, in order.
std::vector<std::pair<std::string, std::string>> ParseAttributeList(std::string_view text);

}  // namespace SkinUI
