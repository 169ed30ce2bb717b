// Owners for what COM and the shell hand out: interface pointers, BSTRs,
// CoTaskMemAlloc'ed memory, item ID lists, and the thread's COM
// initialisation. Header-only, for code that links ole32, oleaut32 and
// shell32. Kernel handles and registry keys use handles.h.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>

#include "handles.h"

namespace tavrin {

// Holds one reference of a COM interface and releases it.
template <typename Interface>
struct ComPointerTraits {
  using type = Interface*;
  static type invalid() { return nullptr; }
  static bool isValid(type p) { return p != nullptr; }
  static void close(type p) { p->Release(); }
};

template <typename Interface>
using ComPtr = UniqueResource<ComPointerTraits<Interface>>;

struct BstrTraits {
  using type = BSTR;
  static type invalid() { return nullptr; }
  static bool isValid(type s) { return s != nullptr; }
  static void close(type s) { ::SysFreeString(s); }
};

// Memory a COM or shell call allocated for the caller (CoTaskMemAlloc).
template <typename Pointer>
struct CoTaskMemoryTraits {
  using type = Pointer;
  static type invalid() { return nullptr; }
  static bool isValid(type p) { return p != nullptr; }
  static void close(type p) { ::CoTaskMemFree(p); }
};

struct ItemIdListTraits {
  using type = PIDLIST_ABSOLUTE;
  static type invalid() { return nullptr; }
  static bool isValid(type p) { return p != nullptr; }
  static void close(type p) { ::ILFree(p); }
};

// One CoUninitialize the thread owes; the value says whether it is owed.
struct ComApartmentTraits {
  using type = bool;
  static type invalid() { return false; }
  static bool isValid(type owed) { return owed; }
  static void close(type) { ::CoUninitialize(); }
};

using UniqueBstr = UniqueResource<BstrTraits>;
template <typename Pointer>
using UniqueCoTaskMemory = UniqueResource<CoTaskMemoryTraits<Pointer>>;
using UniqueItemIdList = UniqueResource<ItemIdListTraits>;
using ComApartment = UniqueResource<ComApartmentTraits>;

// The apartment a CoInitialize or CoInitializeEx call returned `initialized`
// for: owed when the call succeeded (S_FALSE, "already initialised", too,
// since that call must be paired as well); a failed call owes nothing.
//   tavrin::ComApartment com = tavrin::enteredComApartment(::CoInitialize(nullptr));
//   if (!com) return false;
inline ComApartment enteredComApartment(HRESULT initialized) { return ComApartment(SUCCEEDED(initialized)); }

// A CoUninitialize owed whatever the initialisation returned, for code that
// pairs the two without looking at the result.
inline ComApartment pairedComApartment(HRESULT /*initialized*/) { return ComApartment(true); }

}  // namespace tavrin
