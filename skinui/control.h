// The base of every control: name, text, placement, visibility, background
// and border, and the hooks that the control classes fill in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "image_descriptor.h"
#include "render_target.h"
#include "ui_event.h"
#include "ui_rect.h"

namespace SkinUI {

class CSkinTree;
class CContainerUI;

class CControlUI {
 public:
  CControlUI() = default;
  virtual ~CControlUI() = default;
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // The layout element name of the class ("Label", "Button", ...).
  virtual const wchar_t* GetClass() const { return L"Control"; }

  // Attribute names are matched case-sensitively; unknown ones are ignored.
  virtual void SetAttribute(std::string_view name, std::string_view value);

  const std::wstring& GetName() const { return m_name; }
  void SetName(const std::wstring& name) { m_name = name; }
  const std::wstring& GetText() const { return m_text; }
  virtual void SetText(const std::wstring& text);

  // Placement.
  const UiRect& GetPos() const { return m_rcItem; }
  virtual void SetPos(const UiRect& rect);
  bool IsFloat() const { return m_float; }
  UiPoint GetFixedXY() const { return m_fixedXY; }
  int GetFixedWidth() const { return m_fixedWidth; }
  int GetFixedHeight() const { return m_fixedHeight; }
  void SetFixedWidth(int width);
  void SetFixedHeight(int height);

  // State.
  bool IsVisible() const { return m_visible; }
  virtual void SetVisible(bool visible);
  // Visible itself and inside visible containers.
  bool IsShown() const;
  bool IsEnabled() const { return m_enabled; }
  void SetEnabled(bool enabled);
  bool IsMouseEnabled() const { return m_mouse; }
  virtual bool WantsFocus() const { return false; }

  // Looks.
  uint32_t GetBkColor() const { return m_bkColor; }
  uint32_t GetBorderColor() const { return m_borderColor; }
  int GetBorderSize() const { return m_borderSize; }
  const ImageDescriptor& GetBkImage() const { return m_bkImage; }

  // Tree.
  CContainerUI* GetParent() const { return m_parent; }
  CSkinTree* GetTree() const { return m_tree; }
  virtual void AttachTree(CSkinTree* tree, CContainerUI* parent);
  virtual CControlUI* FindByName(const std::wstring& name);
  // The topmost shown control under the point that takes mouse input.
  virtual CControlUI* FindControlAt(UiPoint pt);

  virtual void DoPaint(IRenderTarget& target, const UiRect& dirty);
  virtual void DoEvent(const UiEvent& event);
  // Keyboard or mouse activation; false when the control cannot be activated.
  virtual bool Activate();

  void Invalidate();

 protected:
  virtual void PaintBkColor(IRenderTarget& target);
  virtual void PaintBkImage(IRenderTarget& target);
  virtual void PaintStatusImage(IRenderTarget& target);
  virtual void PaintText(IRenderTarget& target);
  virtual void PaintBorder(IRenderTarget& target);
  bool DrawImage(IRenderTarget& target, const ImageDescriptor& image);

 private:
  CSkinTree* m_tree = nullptr;
  CContainerUI* m_parent = nullptr;
  std::wstring m_name;
  std::wstring m_text;
  UiRect m_rcItem;
  UiPoint m_fixedXY;
  int m_fixedWidth = 0;
  int m_fixedHeight = 0;
  bool m_float = false;
  bool m_visible = true;
  bool m_enabled = true;
  bool m_mouse = true;
  uint32_t m_bkColor = 0;
  uint32_t m_borderColor = 0;
  int m_borderSize = 0;
  ImageDescriptor m_bkImage;
};

}  // namespace SkinUI
