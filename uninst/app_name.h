// The application display name: the value "appname" of the product key,
// or "塔文浏览器" when it is missing or empty. Read afresh at every call.
#pragma once

#include <string>

namespace uninst {

extern const wchar_t kDefaultAppName[];

std::wstring GetAppName();

}  // namespace uninst
