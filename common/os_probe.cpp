#include "os_probe.h"

#include <windows.h>

#include "os_code.h"

namespace tavrin {

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);

// Resolved once; the initialisation of a function-local static is guarded
// against concurrent first callers.
RtlGetVersionFn rtlGetVersion() {
  static const RtlGetVersionFn resolved = [] {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return RtlGetVersionFn(nullptr);
    return reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
  }();
  return resolved;
}

}  // namespace

bool isOsVersionAtLeast(uint16_t major, uint16_t minor, uint16_t servicePackMajor) {
  RtlGetVersionFn query = rtlGetVersion();
  if (query == nullptr) return false;
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(info);  // 284 bytes
  if (query(&info) != 0) return false;
  OsVersion running;
  running.major = info.dwMajorVersion;
  running.minor = info.dwMinorVersion;
  running.servicePackMajor = info.wServicePackMajor;
  return versionAtLeast(running, major, minor, servicePackMajor);
}

bool isNative64Bit() {
  SYSTEM_INFO info = {};
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  auto native = kernel == nullptr ? GetNativeSystemInfoFn(nullptr)
                                  : reinterpret_cast<GetNativeSystemInfoFn>(
                                        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetNativeSystemInfo")));
  if (native != nullptr) {
    native(&info);
  } else {
    ::GetSystemInfo(&info);
  }
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

int getOsCode() { return osCodeFor(isNative64Bit(), isOsVersionAtLeast); }

}  // namespace tavrin
