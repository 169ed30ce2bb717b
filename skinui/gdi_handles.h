// Owners of the GDI objects the framework creates.
#pragma once

#include <windows.h>

#include "handles.h"

namespace SkinUI {

template <typename T>
struct GdiObjectTraits {
  using type = T;
  static type invalid() { return nullptr; }
  static bool isValid(type h) { return h != nullptr; }
  static void close(type h) { ::DeleteObject(h); }
};

struct MemoryDcTraits {
  using type = HDC;
  static type invalid() { return nullptr; }
  static bool isValid(type h) { return h != nullptr; }
  static void close(type h) { ::DeleteDC(h); }
};

using UniqueBitmap = tavrin::UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueFont = tavrin::UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueRegion = tavrin::UniqueResource<GdiObjectTraits<HRGN>>;
using UniqueMemoryDc = tavrin::UniqueResource<MemoryDcTraits>;

// Selects an object into a device context and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectedObject() { ::SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A 32-bit device-independent section; height > 0 is bottom-up, < 0 top-down.
UniqueBitmap CreateArgbSection(int width, int height, void** bits);

}  // namespace SkinUI
