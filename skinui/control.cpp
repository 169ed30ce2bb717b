#include "control.h"

#include "attribute_text.h"
#include "container.h"
#include "skin_tree.h"

namespace SkinUI {

void CControlUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "name") {
    m_name = WideFromUtf8(value);
  } else if (name == "text") {
    SetText(WideFromUtf8(value));
  } else if (name == "float") {
    m_float = IsTrue(value);
  } else if (name == "pos") {
    UiRect r = ParseRect(value);
    m_fixedXY = {r.left, r.top};
    SetFixedWidth(r.right - r.left);
    SetFixedHeight(r.bottom - r.top);
  } else if (name == "width") {
    SetFixedWidth(ParseInteger(value));
  } else if (name == "height") {
    SetFixedHeight(ParseInteger(value));
  } else if (name == "visible") {
    SetVisible(IsTrue(value));
  } else if (name == "enabled") {
    SetEnabled(IsTrue(value));
  } else if (name == "mouse") {
    m_mouse = IsTrue(value);
  } else if (name == "bkcolor") {
    m_bkColor = ParseColor(value);
  } else if (name == "bordersize") {
    m_borderSize = ParseInteger(value);
  } else if (name == "bordercolor") {
    m_borderColor = ParseColor(value);
  } else if (name == "bkimage") {
    m_bkImage = ParseImageDescriptor(value);
  }
}

void CControlUI::SetText(const std::wstring& text) {
  if (m_text == text) return;
  m_text = text;
  Invalidate();
}

void CControlUI::SetPos(const UiRect& rect) {
  if (m_rcItem == rect) return;
  Invalidate();
  m_rcItem = rect;
  Invalidate();
}

void CControlUI::SetFixedWidth(int width) { m_fixedWidth = width < 0 ? 0 : width; }
void CControlUI::SetFixedHeight(int height) { m_fixedHeight = height < 0 ? 0 : height; }

void CControlUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  m_visible = visible;
  Invalidate();
  if (m_tree != nullptr && !visible) m_tree->ControlHidden(this);
  // Stacked siblings move up or down; floating controls keep their place.
  if (m_parent != nullptr && !m_float && !m_parent->GetPos().IsEmpty()) m_parent->SetPos(m_parent->GetPos());
}

bool CControlUI::IsShown() const {
  for (const CControlUI* c = this; c != nullptr; c = c->m_parent) {
    if (!c->m_visible) return false;
  }
  return true;
}

void CControlUI::SetEnabled(bool enabled) {
  if (m_enabled == enabled) return;
  m_enabled = enabled;
  Invalidate();
}

void CControlUI::AttachTree(CSkinTree* tree, CContainerUI* parent) {
  m_tree = tree;
  m_parent = parent;
}

CControlUI* CControlUI::FindByName(const std::wstring& name) { return m_name == name ? this : nullptr; }

CControlUI* CControlUI::FindControlAt(UiPoint pt) {
  if (!m_visible || !m_mouse || !m_rcItem.Contains(pt)) return nullptr;
  return this;
}

void CControlUI::DoPaint(IRenderTarget& target, const UiRect& dirty) {
  if (!m_visible || m_rcItem.Intersect(dirty).IsEmpty()) return;
  PaintBkColor(target);
  PaintBkImage(target);
  PaintStatusImage(target);
  PaintText(target);
  PaintBorder(target);
}

void CControlUI::DoEvent(const UiEvent&) {}

bool CControlUI::Activate() { return m_visible && m_enabled; }

void CControlUI::Invalidate() {
  if (m_tree != nullptr && !m_rcItem.IsEmpty()) m_tree->Invalidate(m_rcItem);
}

void CControlUI::PaintBkColor(IRenderTarget& target) {
  if (m_bkColor != 0) target.FillRect(m_rcItem, m_bkColor);
}

void CControlUI::PaintBkImage(IRenderTarget& target) {
  if (!m_bkImage.IsEmpty()) DrawImage(target, m_bkImage);
}

void CControlUI::PaintStatusImage(IRenderTarget&) {}
void CControlUI::PaintText(IRenderTarget&) {}

void CControlUI::PaintBorder(IRenderTarget& target) {
  if (m_borderSize > 0 && m_borderColor != 0) target.DrawBorder(m_rcItem, m_borderSize, m_borderColor);
}

bool CControlUI::DrawImage(IRenderTarget& target, const ImageDescriptor& image) {
  return target.DrawImage(m_rcItem, image);
}

}  // namespace SkinUI
