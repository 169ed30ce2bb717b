// A drop shadow for a frameless window: a layered, click-through popup owned
// by the window, a margin larger on each side, filled with a per-pixel-alpha
// picture (a nine-grid skin image with a clear centre, or a soft shadow
// computed from the window's region). It follows the window by subclassing
// its window procedure.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skin_image.h"

namespace SkinUI {

class CWindowShadow {
 public:
  // Status flags.
  static constexpr BYTE kEnabled = 1;  // a shadow window exists
  static constexpr BYTE kShadowVisible = 2;
  static constexpr BYTE kParentVisible = 4;

  CWindowShadow() = default;
  virtual ~CWindowShadow();
  CWindowShadow(const CWindowShadow&) = delete;
  CWindowShadow& operator=(const CWindowShadow&) = delete;

  // Once per process, before any shadow: finds UpdateLayeredWindow and
  // registers "SkinShadowWnd". False when already done or unavailable.
  static bool Initialize(HINSTANCE instance);
  void Create(HWND parent);
  // The image from the skin, its band widths and hole offsets; false (and
  // nothing changed) when the image cannot be loaded.
  bool SetImage(const std::wstring& name, const RECT& shadowWidths, const RECT& holeOffsets);
  // Redraws and moves the shadow around the parent.
  void Update(HWND parent);
  static LRESULT CALLBACK ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  HWND GetShadowWindow() const { return m_hWnd; }
  BYTE GetStatus() const { return m_Status; }
  // The picture Update would hand to the layered window for the parent as it
  // is now: bottom-up rows of premultiplied 32-bit pixels.
  bool RenderPixels(HWND parent, std::vector<uint32_t>& pixels, SIZE& size) const;

 private:
  struct Geometry {
    int width = 0;
    int height = 0;
    POINT position{};
  };
  Geometry ComputeGeometry(const RECT& parentRect) const;
  // Draws into a zeroed section and selects it into memoryDc (before drawing
  // an image, after computing pixels); `selection` puts the previous object
  // back when the caller is done with the picture.
  void PaintShadow(HWND parent, const RECT& parentRect, HDC memoryDc, HBITMAP section, void* bits,
                   const Geometry& geometry, tavrin::SelectedObject* selection) const;
  void MakeShadow(uint32_t* pixels, HWND parent, const RECT& parentRect) const;
  void OnParentMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  void FollowMove(HWND parent);
  HWND Owner() const { return ::GetWindow(m_hWnd, GW_OWNER); }

  HWND m_hWnd = static_cast<HWND>(INVALID_HANDLE_VALUE);
  WNDPROC m_OriParentProc = nullptr;
  BYTE m_Status = 0;
  const unsigned char m_nDarkness = 150;
  const unsigned char m_nSharpness = 5;
  const signed char m_nSize = 0;
  const signed char m_nxOffset = 5;
  const signed char m_nyOffset = 5;
  LPARAM m_WndSize = 0;
  bool m_bUpdate = false;
  const COLORREF m_Color = 0;
  std::unique_ptr<SkinImage> m_image;
  RECT m_rcShadowWidths{};
  RECT m_rcHoleOffsets{};
};

}  // namespace SkinUI
