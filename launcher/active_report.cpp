#include "active_report.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

#include "base64.h"
#include "handles.h"
#include "http_client.h"
#include "install_probe.h"
#include "os_probe.h"
#include "service_host.h"

namespace tavrin {

namespace {

// The string form of the computer account's SID, empty when it cannot be had.
std::wstring computerSidText() {
  wchar_t computerName[16] = {};
  DWORD nameSize = 16;
  if (!::GetComputerNameW(computerName, &nameSize)) return std::wstring();

  BYTE sid[68] = {};
  DWORD sidSize = sizeof(sid);
  std::vector<wchar_t> domain(128, L'\0');
  DWORD domainSize = static_cast<DWORD>(domain.size());
  SID_NAME_USE use = SidTypeUnknown;
  BOOL found = ::LookupAccountNameW(nullptr, computerName, sid, &sidSize, domain.data(), &domainSize, &use);
  if (!found && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && sidSize <= sizeof(sid)) {
    if (domainSize > domain.size()) domain.assign(domainSize, L'\0');
    domainSize = static_cast<DWORD>(domain.size());
    sidSize = sizeof(sid);
    found = ::LookupAccountNameW(nullptr, computerName, sid, &sidSize, domain.data(), &domainSize, &use);
  }
  if (!found) return std::wstring();

  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return std::wstring();
  UniqueLocalMemory owned(text);
  return std::wstring(text);
}

// Serial number of the volume that holds the system directory, 0 when unknown.
DWORD systemVolumeSerial() {
  wchar_t systemDir[260] = {};
  if (::GetSystemDirectoryW(systemDir, 260) == 0) return 0;
  std::wstring root = systemDir;
  size_t separator = root.find_first_of(L"\\/");
  if (separator == std::wstring::npos) return 0;
  root.resize(separator + 1);
  DWORD serial = 0;
  if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return 0;
  return serial;
}

}  // namespace

std::string getMachineId() {
  std::wstring sid = computerSidText();
  std::string bytes;
  for (wchar_t unit : sid) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  }
  DWORD serial = systemVolumeSerial();
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((serial >> shift) & 0xFF);
  return md5Hex(bytes);
}

namespace {

constexpr size_t kIgnoredReplyLimit = 64 * 1024;

}  // namespace

void reportActive(const std::string& browserVersion, const CancelToken* cancel) {
  try {
    std::string record = buildActiveReport(getBrand(), getChannel(), getMachineId(), getOsCode(), browserVersion);
    std::string body = "info=" + base64Encode(record);
    std::string response;
    CLibcurlClient client;
    client.setCancelToken(cancel);
    client.setResponseLimit(kIgnoredReplyLimit);  // the reply is not read; it is not held either
    client.Post(serviceUrl("/app/count/active/"), body, response);
  } catch (...) {
    // The report is best effort; nothing of it may stop the launcher.
  }
}

}  // namespace tavrin
