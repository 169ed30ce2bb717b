// Owner of a WinHTTP session, connection or request handle. Header-only, for
// code that links winhttp.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "handles.h"

namespace tavrin {

struct WinHttpHandleTraits {
  using type = HINTERNET;
  static type invalid() { return nullptr; }
  static bool isValid(type h) { return h != nullptr; }
  static void close(type h) { ::WinHttpCloseHandle(h); }
};

using UniqueInternetHandle = UniqueResource<WinHttpHandleTraits>;

}  // namespace tavrin
