#include "control.h"

#include "attribute_text.h"
#include "container.h"
#include "skin_tree.h"

namespace SkinUI {

void CControlUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "name") {
    name_ = WideFromUtf8(value);
  } else if (name == "text") {
    SetText(WideFromUtf8(value));
  } else if (name == "float") {
    float_ = IsTrue(value);
  } else if (name == "pos") {
    UiRect r = ParseRect(value);
    fixedXY_ = {r.left, r.top};
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
    mouse_ = IsTrue(value);
  } else if (name == "bkcolor") {
    bkColor_ = ParseColor(value);
  } else if (name == "bordersize") {
    borderSize_ = ParseInteger(value);
  } else if (name == "bordercolor") {
    borderColor_ = ParseColor(value);
  } else if (name == "bkimage") {
    bkImage_ = ParseImageDescriptor(value);
  }
}

void CControlUI::SetText(const std::wstring& text) {
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

void CControlUI::SetPos(const UiRect& rect) {
  if (rcItem_ == rect) return;
  Invalidate();
  rcItem_ = rect;
  Invalidate();
}

void CControlUI::SetFixedWidth(int width) { fixedWidth_ = width < 0 ? 0 : width; }
void CControlUI::SetFixedHeight(int height) { fixedHeight_ = height < 0 ? 0 : height; }

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Invalidate();
  if (tree_ != nullptr && !visible) tree_->ControlHidden(this);
  // Stacked siblings move up or down; floating controls keep their place.
  if (parent_ != nullptr && !float_ && !parent_->GetPos().IsEmpty()) parent_->SetPos(parent_->GetPos());
}

bool CControlUI::IsShown() const {
  for (const CControlUI* c = this; c != nullptr; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void CControlUI::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

void CControlUI::AttachTree(CSkinTree* tree, CContainerUI* parent) {
  tree_ = tree;
  parent_ = parent;
}

CControlUI* CControlUI::FindByName(const std::wstring& name) { return name_ == name ? this : nullptr; }

CControlUI* CControlUI::FindControlAt(UiPoint pt) {
  if (!visible_ || !mouse_ || !rcItem_.Contains(pt)) return nullptr;
  return this;
}

void CControlUI::DoPaint(IRenderTarget& target, const UiRect& dirty) {
  if (!visible_ || rcItem_.Intersect(dirty).IsEmpty()) return;
  PaintBkColor(target);
  PaintBkImage(target);
  PaintStatusImage(target);
  PaintText(target);
  PaintBorder(target);
}

void CControlUI::DoEvent(const UiEvent&) {}

bool CControlUI::Activate() { return visible_ && enabled_; }

void CControlUI::Invalidate() {
  if (tree_ != nullptr && !rcItem_.IsEmpty()) tree_->Invalidate(rcItem_);
}

void CControlUI::PaintBkColor(IRenderTarget& target) {
  if (bkColor_ != 0) target.FillRect(rcItem_, bkColor_);
}

void CControlUI::PaintBkImage(IRenderTarget& target) {
  if (!bkImage_.IsEmpty()) DrawImage(target, bkImage_);
}

void CControlUI::PaintStatusImage(IRenderTarget&) {}
void CControlUI::PaintText(IRenderTarget&) {}

void CControlUI::PaintBorder(IRenderTarget& target) {
  if (borderSize_ > 0 && borderColor_ != 0) target.DrawBorder(rcItem_, borderSize_, borderColor_);
}

bool CControlUI::DrawImage(IRenderTarget& target, const ImageDescriptor& image) {
  return target.DrawImage(rcItem_, image);
}

}  // namespace SkinUI
