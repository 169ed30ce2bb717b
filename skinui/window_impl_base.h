// The base of a skinned window: loads the skin and builds the layout while
// the window is created, draws the control tree into a frameless window whose
// caption band drags it, turns mouse and key messages into control events,
// and hands notifications to the window's notification map.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "control.h"
#include "dialog_builder_callback.h"
#include "gdi_render_target.h"
#include "message_filter.h"
#include "notify_pump.h"
#include "skin_image.h"
#include "skin_tree.h"
#include "window_wnd.h"

namespace SkinUI {

// Where the layout and images come from.
enum SkinResourceType : int {
  kSkinFiles = 1,        // files under the resource path and skin folder
  kSkinZipFile = 2,      // not offered by this framework
  kSkinResource = 3,     // not offered by this framework
  kSkinZipResource = 4,  // a zip archive held in a "ZIPRES" program resource
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  void OnFinalMessage(HWND hWnd) override;
  virtual void InitWindow() {}
  virtual void OnClick(TNotifyUI& msg);

  // INotifyUI: goes to the notification map.
  void Notify(TNotifyUI& msg) override;
  // IMessageFilterUI, the default key handling: Escape closes the window.
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  // IDialogBuilderCallback: no controls beyond the built-in ones.
  CControlUI* CreateControl(const wchar_t* className) override;

  CSkinTree& GetSkin() { return m_skin; }
  CControlUI* FindControl(const std::wstring& name) const { return m_skin.FindControl(name); }
  // Draws the window's controls into a device context of the client's size.
  void PaintTo(HDC dc, const UiRect& dirty);

 protected:
  virtual std::wstring GetSkinFolder() = 0;
  virtual std::wstring GetSkinFile() = 0;
  virtual SkinResourceType GetResourceType() const { return kSkinFiles; }
  virtual std::wstring GetZIPFileName() const { return std::wstring(); }
  virtual UINT GetResourceID() const { return 0; }

  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  // Messages the framework does not handle itself.
  virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

 private:
  LRESULT OnCreate();
  bool BuildSkin();
  LRESULT OnNcHitTest(LPARAM lParam);
  void OnPaint();
  void OnMouseMessage(UINT uMsg, LPARAM lParam);
  void OnGetMinMaxInfo(LPARAM lParam);
  bool IsCaptionExempt(const CControlUI* control) const;

  CSkinTree m_skin;
  CImageCache m_images;
  CFontCache m_fonts;
  bool m_trackingMouse = false;
};

// Shows "加载资源文件失败" in a message box and ends the process with exit code 1.
[[noreturn]] void FailSkinLoad(HWND owner);

}  // namespace SkinUI
