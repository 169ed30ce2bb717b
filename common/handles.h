// Owner types for Win32 resources. Each closes what it owns exactly once.
// UniqueResource is the one template every owner here and in the family
// headers beside this one (com_handles.h, gdi_handles.h, winhttp_handles.h,
// zip_handles.h, curl_handles.h) is built on; this header holds the kernel,
// file, registry, find, CryptoAPI and local-memory owners.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <utility>

namespace tavrin {

// Owns one resource described by Traits: its type, its "nothing" value and
// how to release it.
template <typename Traits>
class UniqueResource {
 public:
  using value_type = typename Traits::type;

  UniqueResource() = default;
  explicit UniqueResource(value_type value) : m_value(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  value_type get() const { return m_value; }
  explicit operator bool() const { return Traits::isValid(m_value); }

  // Hands the resource to the caller, who closes it or passes it on;
  // dropping the result would leak it (reset() closes).
  [[nodiscard]] value_type release() {
    value_type value = m_value;
    m_value = Traits::invalid();
    return value;
  }

  void reset(value_type value = Traits::invalid()) {
    if (Traits::isValid(m_value)) Traits::close(m_value);
    m_value = value;
  }

  // For APIs that hand a new resource back through an out parameter.
  value_type* receive() {
    reset();
    return &m_value;
  }

 private:
  value_type m_value = Traits::invalid();
};

// Process, thread, event, mutex handles: null means nothing.
struct KernelHandleTraits {
  using type = HANDLE;
  static type invalid() { return nullptr; }
  static bool isValid(type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(type h) { ::CloseHandle(h); }
};

// File handles and Toolhelp snapshots: INVALID_HANDLE_VALUE means nothing.
struct FileHandleTraits {
  using type = HANDLE;
  static type invalid() { return INVALID_HANDLE_VALUE; }
  static bool isValid(type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(type h) { ::CloseHandle(h); }
};

// A CryptoAPI provider context (CryptAcquireContext).
struct CryptProviderTraits {
  using type = HCRYPTPROV;
  static type invalid() { return 0; }
  static bool isValid(type p) { return p != 0; }
  static void close(type p) { ::CryptReleaseContext(p, 0); }
};

struct FindHandleTraits {
  using type = HANDLE;
  static type invalid() { return INVALID_HANDLE_VALUE; }
  static bool isValid(type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(type h) { ::FindClose(h); }
};

struct RegKeyTraits {
  using type = HKEY;
  static type invalid() { return nullptr; }
  static bool isValid(type k) { return k != nullptr; }
  static void close(type k) { ::RegCloseKey(k); }
};

struct CFileTraits {
  using type = FILE*;
  static type invalid() { return nullptr; }
  static bool isValid(type f) { return f != nullptr; }
  static void close(type f) { std::fclose(f); }
};

struct LocalMemoryTraits {
  using type = HLOCAL;
  static type invalid() { return nullptr; }
  static bool isValid(type m) { return m != nullptr; }
  static void close(type m) { ::LocalFree(m); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueSnapshot = UniqueResource<FileHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueRegKey = UniqueResource<RegKeyTraits>;
using UniqueCFile = UniqueResource<CFileTraits>;
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits>;
using UniqueCryptProvider = UniqueResource<CryptProviderTraits>;

// Both handles of a started process.
struct ProcessHandles {
  UniqueHandle process;
  UniqueHandle thread;
  DWORD processId = 0;

  static ProcessHandles adopt(const PROCESS_INFORMATION& info) {
    ProcessHandles owned;
    owned.process.reset(info.hProcess);
    owned.thread.reset(info.hThread);
    owned.processId = info.dwProcessId;
    return owned;
  }
};

}  // namespace tavrin
