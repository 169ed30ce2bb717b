// Controls that hold other controls. A plain container gives every child
// that does not float its whole inner rectangle (the control's rectangle
// shrunk by "inset"); floating children are placed by their "pos".
#pragma once

#include <memory>
#include <vector>

#include "control.h"

namespace SkinUI {

class CContainerUI : public CControlUI {
 public:
  const wchar_t* GetClass() const override { return L"Container"; }
  void SetAttribute(std::string_view name, std::string_view value) override;

  virtual bool Add(std::unique_ptr<CControlUI> control);
  int GetCount() const { return static_cast<int>(m_items.size()); }
  CControlUI* GetItemAt(int index) const;
  int GetItemIndex(const CControlUI* control) const;

  const UiRect& GetInset() const { return m_inset; }
  UiRect GetInnerRect() const { return GetPos().Deflate(m_inset); }

  void SetPos(const UiRect& rect) override;
  void AttachTree(CSkinTree* tree, CContainerUI* parent) override;
  CControlUI* FindByName(const std::wstring& name) override;
  CControlUI* FindControlAt(UiPoint pt) override;
  void DoPaint(IRenderTarget& target, const UiRect& dirty) override;

 protected:
  // Places the children that do not float inside the inner rectangle.
  virtual void ArrangeChildren(const UiRect& inner);
  // A floating child: the container's outer top-left plus its x,y, at its fixed size.
  void PlaceFloating(CControlUI& child);
  const std::vector<std::unique_ptr<CControlUI>>& Items() const { return m_items; }

 private:
  std::vector<std::unique_ptr<CControlUI>> m_items;
  UiRect m_inset;
};

// Children stacked top to bottom: fixed heights first, the rest share what is left.
class CVerticalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override { return L"VerticalLayout"; }

 protected:
  void ArrangeChildren(const UiRect& inner) override;
};

// Children side by side, left to right: fixed widths first, the rest share what is left.
class CHorizontalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override { return L"HorizontalLayout"; }

 protected:
  void ArrangeChildren(const UiRect& inner) override;
};

// Pages on top of each other, one visible at a time.
class CTabLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override { return L"TabLayout"; }
  void SetAttribute(std::string_view name, std::string_view value) override;
  bool Add(std::unique_ptr<CControlUI> control) override;

  int GetCurSel() const { return m_curSel; }
  // Shows page `index` and hides the others; with triggerEvent the window gets
  // "tabselect" (wParam new index, lParam old index); with setFocus the page
  // takes the focus. Selecting the current page changes nothing.
  bool SelectItem(int index, bool triggerEvent = true, bool setFocus = true);

 private:
  int m_curSel = 0;
};

}  // namespace SkinUI
