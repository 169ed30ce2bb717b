// Owners of GDI objects, memory device contexts and selections into them.
// Header-only, for code that links gdi32.
#pragma once

#include <windows.h>

#include "handles.h"

namespace tavrin {

template <typename T>
struct GdiObjectTraits {
  using type = T;
  static type invalid() { return nullptr; }
  static bool isValid(type h) { return h != nullptr; }
  static void close(type h) { ::DeleteObject(h); }
};

// A device context made with CreateCompatibleDC.
struct MemoryDcTraits {
  using type = HDC;
  static type invalid() { return nullptr; }
  static bool isValid(type h) { return h != nullptr; }
  static void close(type h) { ::DeleteDC(h); }
};

// An object selected into a device context, with the one it replaced.
struct GdiSelection {
  HDC dc;
  HGDIOBJ previous;
};

// Puts the replaced object back.
struct GdiSelectionTraits {
  using type = GdiSelection;
  static type invalid() { return GdiSelection{nullptr, nullptr}; }
  static bool isValid(type s) { return s.dc != nullptr; }
  static void close(type s) { ::SelectObject(s.dc, s.previous); }
};

using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueRegion = UniqueResource<GdiObjectTraits<HRGN>>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;

// Selects an object into a device context and puts the previous one back
// when it ends (or when another selection is moved into it).
class SelectedObject : public UniqueResource<GdiSelectionTraits> {
 public:
  SelectedObject() = default;
  SelectedObject(HDC dc, HGDIOBJ object) : UniqueResource(GdiSelection{dc, ::SelectObject(dc, object)}) {}
};

}  // namespace tavrin
