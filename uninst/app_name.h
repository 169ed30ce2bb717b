// The application display name: the value "appname" of the product key,
// or "塔文浏览器" when it is missing, empty or not one plain file name.
// Read afresh at every call.
#pragma once

#include <string>

namespace tavrin::uninst {

extern const wchar_t kDefaultAppName[];

// One file or folder name that stays inside the folder it is joined to: not
// empty, no separator, drive colon, wildcard or control character, no dot
// or blank at the end ("." and ".." included), no device name ("NUL",
// "COM1.lnk").
bool IsPlainPathComponent(const std::wstring& name);

std::wstring GetAppName();

}  // namespace tavrin::uninst
