#include "install_values.h"

#include <windows.h>

#include <cwchar>

#include "app_name.h"
#include "file_removal.h"
#include "registry_key.h"
#include "registry_view.h"

namespace tavrin::uninst {

const wchar_t kDefaultVersionStr[] = L"1.0.0.1";
const wchar_t kConfigFileName[] = L"config.ini";

namespace {

constexpr DWORD kValueBytes = 256;
constexpr DWORD kConfigValueChars = 256;
constexpr wchar_t kTitleSuffix[] = L"卸载程序";

// One string value of the product key, up to its first zero character.
// Empty when the value is missing, expandable or larger than the bytes read.
std::wstring ReadProductString(const wchar_t* valueName) {
  return tavrin::RegistryKey::openForReading(tavrin::kInstallKeyPathW).readText(valueName, kValueBytes);
}

std::wstring ReadConfigMachineId(const std::wstring& configFolder) {
  wchar_t path[kPathChars] = {};
  ::_snwprintf(path, kPathChars - 1, L"%s\\%s", configFolder.c_str(), kConfigFileName);
  wchar_t machineId[kConfigValueChars] = {};
  ::GetPrivateProfileStringW(L"MACHINE", L"MachineId", L"", machineId, kConfigValueChars, path);
  return machineId;
}

}  // namespace

std::wstring ReadVersionStr() {
  std::wstring version = ReadProductString(L"version_str");
  return version.empty() ? std::wstring(kDefaultVersionStr) : version;
}

std::wstring ReadChannel() { return ReadProductString(L"channel"); }

std::wstring ReadMachineIdFrom(const std::wstring& configFolder) {
  std::wstring machineId = ReadProductString(L"MachineId");
  return machineId.empty() ? ReadConfigMachineId(configFolder) : machineId;
}

std::wstring ReadMachineId() { return ReadMachineIdFrom(GetModuleDir()); }

std::wstring UninstWindowTitle() { return GetAppName() + kTitleSuffix; }

}  // namespace tavrin::uninst
