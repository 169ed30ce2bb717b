// The control tree of one window and everything the layout gives the window
// besides controls: window attributes, the font table and per-class default
// attributes. It routes input to the controls and notifications to the
// window, and tells the window which parts to repaint. No window system here.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "control.h"
#include "font_info.h"
#include "notify.h"

namespace SkinUI {

struct SkinWindowAttributes {
  UiSize size;     // initial client size; 0,0 = keep the window's
  UiRect caption;  // left inset, top, right inset, bottom of the drag band
  UiSize minInfo;  // minimum tracking size
  UiSize maxInfo;  // maximum tracking size
  UiRect sizeBox;  // widths of the sizing borders (none by default)
};

using AttributeList = std::vector<std::pair<std::string, std::string>>;

class CSkinTree {
 public:
  CSkinTree() = default;
  ~CSkinTree();
  CSkinTree(const CSkinTree&) = delete;
  CSkinTree& operator=(const CSkinTree&) = delete;

  // What the layout configures.
  SkinWindowAttributes& Window() { return m_window; }
  const SkinWindowAttributes& Window() const { return m_window; }
  void AddFont(int id, const FontInfo& font, bool isDefault);
  // The font with the id, or the default font.
  const FontInfo& GetFont(int id) const;
  const FontInfo& GetDefaultFont() const { return m_defaultFont; }
  bool HasFont(int id) const { return m_fonts.count(id) != 0; }
  void SetDefaultAttributes(const std::string& className, AttributeList attributes);
  // Class names are compared without regard to case; nullptr when none.
  const AttributeList* GetDefaultAttributes(const std::string& className) const;

  // The control tree.
  void AttachRoot(std::unique_ptr<CControlUI> root);
  CControlUI* GetRoot() const { return m_root.get(); }
  CControlUI* FindControl(const std::wstring& name) const;
  CControlUI* FindControlAt(UiPoint pt) const;
  void SetClientRect(const UiRect& rect);
  const UiRect& GetClientRect() const { return m_client; }
  void Paint(IRenderTarget& target, const UiRect& dirty);

  // Notifications.
  void AddNotifier(INotifyUI* receiver);
  void RemoveNotifier(INotifyUI* receiver);
  void SendNotify(CControlUI* sender, const wchar_t* type, uintptr_t wParam = 0, intptr_t lParam = 0);

  // Input, in client coordinates.
  void OnMouseMove(UiPoint pt);
  void OnMouseLeave();
  void OnButtonDown(UiPoint pt);
  void OnButtonUp(UiPoint pt);
  // True when a focused control received the key.
  bool OnKeyDown(int key);
  void SetFocus(CControlUI* control);
  CControlUI* GetFocus() const { return m_focus; }
  CControlUI* GetCapture() const { return m_capture; }
  CControlUI* GetHot() const { return m_hot; }
  // A control that was hidden loses hot, capture and focus.
  void ControlHidden(CControlUI* control);

  // Repainting.
  void SetInvalidateHandler(std::function<void(const UiRect&)> handler) { m_invalidate = std::move(handler); }
  void Invalidate(const UiRect& rect);

 private:
  void SendEvent(CControlUI* control, UiEventType type, UiPoint pt, int key = 0);
  bool IsInside(const CControlUI* ancestor, const CControlUI* control) const;

  SkinWindowAttributes m_window;
  std::map<int, FontInfo> m_fonts;
  FontInfo m_defaultFont;
  std::map<std::string, AttributeList> m_defaults;
  std::unique_ptr<CControlUI> m_root;
  UiRect m_client;
  std::vector<INotifyUI*> m_receivers;
  CControlUI* m_hot = nullptr;
  CControlUI* m_capture = nullptr;
  CControlUI* m_focus = nullptr;
  std::function<void(const UiRect&)> m_invalidate;
};

}  // namespace SkinUI
