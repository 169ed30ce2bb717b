// Every registry call of every program pins the 32-bit view, so the 32-bit
// shipping build and the 64-bit test build see the same keys.
#pragma once

#include <windows.h>

namespace tavrin {

constexpr REGSAM kRegistryView = KEY_WOW64_32KEY;

// HKEY_LOCAL_MACHINE key of the installation record.
constexpr const char kInstallKeyPath[] = "SOFTWARE\\tavrin";
constexpr const wchar_t kInstallKeyPathW[] = L"SOFTWARE\\tavrin";

}  // namespace tavrin
