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

  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& name) { name_ = name; }
  const std::wstring& GetText() const { return text_; }
  virtual void SetText(const std::wstring& text);

  // Placement.
  const UiRect& GetPos() const { return rcItem_; }
  virtual void SetPos(const UiRect& rect);
  bool IsFloat() const { return float_; }
  UiPoint GetFixedXY() const { return fixedXY_; }
  int GetFixedWidth() const { return fixedWidth_; }
  int GetFixedHeight() const { return fixedHeight_; }
  void SetFixedWidth(int width);
  void SetFixedHeight(int height);

  // State.
  bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool visible);
  // Visible itself and inside visible containers.
  bool IsShown() const;
  bool IsEnabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool IsMouseEnabled() const { return mouse_; }
  virtual bool WantsFocus() const { return false; }

  // Looks.
  uint32_t GetBkColor() const { return bkColor_; }
  uint32_t GetBorderColor() const { return borderColor_; }
  int GetBorderSize() const { return borderSize_; }
  const ImageDescriptor& GetBkImage() const { return bkImage_; }

  // Tree.
  CContainerUI* GetParent() const { return parent_; }
  CSkinTree* GetTree() const { return tree_; }
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
  CSkinTree* tree_ = nullptr;
  CContainerUI* parent_ = nullptr;
  std::wstring name_;
  std::wstring text_;
  UiRect rcItem_;
  UiPoint fixedXY_;
  int fixedWidth_ = 0;
  int fixedHeight_ = 0;
  bool float_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  bool mouse_ = true;
  uint32_t bkColor_ = 0;
  uint32_t borderColor_ = 0;
  int borderSize_ = 0;
  ImageDescriptor bkImage_;
};

}  // namespace SkinUI
