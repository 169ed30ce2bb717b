#include "container.h"

#include "attribute_text.h"
#include "skin_tree.h"

namespace SkinUI {

void CContainerUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "inset")
    m_inset = ParseRect(value);
  else
    CControlUI::SetAttribute(name, value);
}

bool CContainerUI::Add(std::unique_ptr<CControlUI> control) {
  if (!control) return false;
  control->AttachTree(GetTree(), this);
  m_items.push_back(std::move(control));
  return true;
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return m_items[index].get();
}

int CContainerUI::GetItemIndex(const CControlUI* control) const {
  for (int i = 0; i < GetCount(); ++i) {
    if (m_items[i].get() == control) return i;
  }
  return -1;
}

void CContainerUI::SetPos(const UiRect& rect) {
  CControlUI::SetPos(rect);
  UiRect inner = GetInnerRect();
  ArrangeChildren(inner);
  for (auto& item : m_items) {
    if (item->IsFloat()) PlaceFloating(*item);
  }
}

void CContainerUI::ArrangeChildren(const UiRect& inner) {
  for (auto& item : m_items) {
    if (item->IsFloat()) continue;
    int width = item->GetFixedWidth() > 0 ? item->GetFixedWidth() : inner.Width();
    int height = item->GetFixedHeight() > 0 ? item->GetFixedHeight() : inner.Height();
    item->SetPos(MakeRectFromSize(inner.left, inner.top, width, height));
  }
}

void CContainerUI::PlaceFloating(CControlUI& child) {
  UiPoint xy = child.GetFixedXY();
  child.SetPos(
      MakeRectFromSize(GetPos().left + xy.x, GetPos().top + xy.y, child.GetFixedWidth(), child.GetFixedHeight()));
}

void CContainerUI::AttachTree(CSkinTree* tree, CContainerUI* parent) {
  CControlUI::AttachTree(tree, parent);
  for (auto& item : m_items) item->AttachTree(tree, this);
}

CControlUI* CContainerUI::FindByName(const std::wstring& name) {
  if (CControlUI* self = CControlUI::FindByName(name)) return self;
  for (auto& item : m_items) {
    if (CControlUI* found = item->FindByName(name)) return found;
  }
  return nullptr;
}

CControlUI* CContainerUI::FindControlAt(UiPoint pt) {
  if (!IsVisible() || !GetPos().Contains(pt)) return nullptr;
  // Later children are drawn over earlier ones, so they are hit first.
  for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
    if (CControlUI* found = (*it)->FindControlAt(pt)) return found;
  }
  return CControlUI::FindControlAt(pt);
}

void CContainerUI::DoPaint(IRenderTarget& target, const UiRect& dirty) {
  if (!IsVisible() || GetPos().Intersect(dirty).IsEmpty()) return;
  CControlUI::DoPaint(target, dirty);
  for (auto& item : m_items) item->DoPaint(target, dirty);
}

// --- stacking layouts ----------------------------------------------------

namespace {

// Lengths along one axis: fixed lengths as given, the others share the rest.
std::vector<int> ShareLength(const std::vector<int>& fixed, int available) {
  int used = 0, flexible = 0;
  for (int f : fixed) {
    if (f > 0)
      used += f;
    else
      ++flexible;
  }
  int rest = available - used;
  if (rest < 0) rest = 0;
  std::vector<int> lengths;
  int given = 0, seen = 0;
  for (int f : fixed) {
    if (f > 0) {
      lengths.push_back(f);
    } else {
      ++seen;
      int share = seen == flexible ? rest - given : rest / flexible;
      given += share;
      lengths.push_back(share);
    }
  }
  return lengths;
}

}  // namespace

void CVerticalLayoutUI::ArrangeChildren(const UiRect& inner) {
  std::vector<CControlUI*> stacked;
  std::vector<int> fixed;
  for (auto& item : Items()) {
    if (item->IsFloat() || !item->IsVisible()) continue;
    stacked.push_back(item.get());
    fixed.push_back(item->GetFixedHeight());
  }
  std::vector<int> heights = ShareLength(fixed, inner.Height());
  int y = inner.top;
  for (size_t i = 0; i < stacked.size(); ++i) {
    int width = stacked[i]->GetFixedWidth() > 0 ? stacked[i]->GetFixedWidth() : inner.Width();
    stacked[i]->SetPos(MakeRectFromSize(inner.left, y, width, heights[i]));
    y += heights[i];
  }
}

void CHorizontalLayoutUI::ArrangeChildren(const UiRect& inner) {
  std::vector<CControlUI*> stacked;
  std::vector<int> fixed;
  for (auto& item : Items()) {
    if (item->IsFloat() || !item->IsVisible()) continue;
    stacked.push_back(item.get());
    fixed.push_back(item->GetFixedWidth());
  }
  std::vector<int> widths = ShareLength(fixed, inner.Width());
  int x = inner.left;
  for (size_t i = 0; i < stacked.size(); ++i) {
    int height = stacked[i]->GetFixedHeight() > 0 ? stacked[i]->GetFixedHeight() : inner.Height();
    stacked[i]->SetPos(MakeRectFromSize(x, inner.top, widths[i], height));
    x += widths[i];
  }
}

// --- tab layout ----------------------------------------------------------

void CTabLayoutUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "selectedid")
    m_curSel = ParseInteger(value);
  else
    CContainerUI::SetAttribute(name, value);
}

bool CTabLayoutUI::Add(std::unique_ptr<CControlUI> control) {
  CControlUI* page = control.get();
  if (!CContainerUI::Add(std::move(control))) return false;
  page->SetVisible(GetItemIndex(page) == m_curSel);
  return true;
}

bool CTabLayoutUI::SelectItem(int index, bool triggerEvent, bool setFocus) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == m_curSel) return true;
  int old = m_curSel;
  m_curSel = index;
  for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == index);
  SetPos(GetPos());
  CSkinTree* tree = GetTree();
  if (tree != nullptr) {
    if (setFocus) tree->SetFocus(GetItemAt(index));
    if (triggerEvent) tree->SendNotify(this, L"tabselect", static_cast<uintptr_t>(index), old);
  }
  return true;
}

}  // namespace SkinUI
