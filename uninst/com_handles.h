// Owners for what the shell and COM hand out: interface pointers, BSTRs and
// item ID lists. Kernel handles and registry keys use handles.h.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>

#include "handles.h"

namespace uninst {

// Holds one reference of a COM interface and releases it.
template <typename Interface>
struct ComPointerTraits {
  using type = Interface*;
  static type invalid() { return nullptr; }
  static bool isValid(type p) { return p != nullptr; }
  static void close(type p) { p->Release(); }
};

template <typename Interface>
using ComPtr = tavrin::UniqueResource<ComPointerTraits<Interface>>;

struct BstrTraits {
  using type = BSTR;
  static type invalid() { return nullptr; }
  static bool isValid(type s) { return s != nullptr; }
  static void close(type s) { ::SysFreeString(s); }
};

struct ItemIdListTraits {
  using type = PIDLIST_ABSOLUTE;
  static type invalid() { return nullptr; }
  static bool isValid(type p) { return p != nullptr; }
  static void close(type p) { ::ILFree(p); }
};

using UniqueBstr = tavrin::UniqueResource<BstrTraits>;
using UniqueItemIdList = tavrin::UniqueResource<ItemIdListTraits>;

}  // namespace uninst
