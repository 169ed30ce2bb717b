// A native window owned by a C++ object: class registration, creation and the
// window procedure that routes messages to HandleMessage.
#pragma once

#include <windows.h>

namespace SkinUI {

class CWindowWnd {
 public:
  CWindowWnd() = default;
  virtual ~CWindowWnd() = default;
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  virtual LPCWSTR GetWindowClassName() const = 0;
  virtual UINT GetClassStyle() const { return 0; }

  bool RegisterWindowClass();
  HWND Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT, int y = CW_USEDEFAULT,
              int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
  void ShowWindow(bool show = true, bool takeFocus = true);
  // Posts WM_CLOSE with the code as wParam while the window exists.
  void Close(UINT code = IDOK);
  // Centres on the owner, or on the work area of the window's monitor.
  void CenterWindow();

  // GetMessage, TranslateMessage, DispatchMessage until WM_QUIT.
  static void MessageLoop();

 protected:
  virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
  // Called after WM_NCDESTROY, when the native window is gone.
  virtual void OnFinalMessage(HWND hWnd);

  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;
};

}  // namespace SkinUI
