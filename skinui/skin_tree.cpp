#include "skin_tree.h"

#include <algorithm>

#include "attribute_text.h"
#include "container.h"

namespace SkinUI {

CSkinTree::~CSkinTree() {
  // The controls go first, while the receivers still exist.
  invalidate_ = nullptr;
  hot_ = capture_ = focus_ = nullptr;
  root_.reset();
}

void CSkinTree::AddFont(int id, const FontInfo& font, bool isDefault) {
  fonts_[id] = font;
  if (isDefault) defaultFont_ = font;
}

const FontInfo& CSkinTree::GetFont(int id) const {
  auto it = fonts_.find(id);
  return it == fonts_.end() ? defaultFont_ : it->second;
}

void CSkinTree::SetDefaultAttributes(const std::string& className, AttributeList attributes) {
  defaults_[ToLowerAscii(className)] = std::move(attributes);
}

const AttributeList* CSkinTree::GetDefaultAttributes(const std::string& className) const {
  auto it = defaults_.find(ToLowerAscii(className));
  return it == defaults_.end() ? nullptr : &it->second;
}

void CSkinTree::AttachRoot(std::unique_ptr<CControlUI> root) {
  hot_ = capture_ = focus_ = nullptr;
  root_ = std::move(root);
  if (root_) {
    root_->AttachTree(this, nullptr);
    if (!client_.IsEmpty()) root_->SetPos(client_);
  }
}

CControlUI* CSkinTree::FindControl(const std::wstring& name) const {
  if (name.empty() || !root_) return nullptr;  // unnamed controls cannot be looked up
  return root_->FindByName(name);
}

CControlUI* CSkinTree::FindControlAt(UiPoint pt) const { return root_ ? root_->FindControlAt(pt) : nullptr; }

void CSkinTree::SetClientRect(const UiRect& rect) {
  client_ = rect;
  if (root_) root_->SetPos(rect);
}

void CSkinTree::Paint(IRenderTarget& target, const UiRect& dirty) {
  if (root_) root_->DoPaint(target, dirty);
}

void CSkinTree::AddNotifier(INotifyUI* receiver) {
  if (std::find(receivers_.begin(), receivers_.end(), receiver) == receivers_.end()) {
    receivers_.push_back(receiver);
  }
}

void CSkinTree::RemoveNotifier(INotifyUI* receiver) {
  receivers_.erase(std::remove(receivers_.begin(), receivers_.end(), receiver), receivers_.end());
}

void CSkinTree::SendNotify(CControlUI* sender, const wchar_t* type, uintptr_t wParam, intptr_t lParam) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = sender;
  msg.wParam = wParam;
  msg.lParam = lParam;
  // A receiver may remove itself while handling, so go over a copy.
  std::vector<INotifyUI*> receivers = receivers_;
  for (INotifyUI* receiver : receivers) receiver->Notify(msg);
}

void CSkinTree::SendEvent(CControlUI* control, UiEventType type, UiPoint pt, int key) {
  UiEvent event;
  event.type = type;
  event.pt = pt;
  event.key = key;
  control->DoEvent(event);
}

void CSkinTree::OnMouseMove(UiPoint pt) {
  if (capture_ != nullptr) {
    SendEvent(capture_, UiEventType::MouseMove, pt);
    return;
  }
  CControlUI* now = FindControlAt(pt);
  if (now != hot_) {
    if (hot_ != nullptr) SendEvent(hot_, UiEventType::MouseLeave, pt);
    hot_ = now;
    if (hot_ != nullptr) SendEvent(hot_, UiEventType::MouseEnter, pt);
  }
  if (hot_ != nullptr) SendEvent(hot_, UiEventType::MouseMove, pt);
}

void CSkinTree::OnMouseLeave() {
  if (hot_ != nullptr && capture_ == nullptr) {
    CControlUI* left = hot_;
    hot_ = nullptr;
    SendEvent(left, UiEventType::MouseLeave, {-1, -1});
  }
}

void CSkinTree::OnButtonDown(UiPoint pt) {
  CControlUI* control = FindControlAt(pt);
  if (control == nullptr || !control->IsEnabled()) return;
  if (control->WantsFocus()) SetFocus(control);
  capture_ = control;
  SendEvent(control, UiEventType::ButtonDown, pt);
}

void CSkinTree::OnButtonUp(UiPoint pt) {
  CControlUI* control = capture_;
  capture_ = nullptr;
  if (control != nullptr) SendEvent(control, UiEventType::ButtonUp, pt);
}

bool CSkinTree::OnKeyDown(int key) {
  if (focus_ == nullptr || !focus_->IsShown()) return false;
  SendEvent(focus_, UiEventType::KeyDown, {}, key);
  return true;
}

void CSkinTree::SetFocus(CControlUI* control) {
  if (control == focus_) return;
  CControlUI* old = focus_;
  focus_ = control;
  if (old != nullptr) SendEvent(old, UiEventType::KillFocus, {});
  if (focus_ != nullptr) SendEvent(focus_, UiEventType::SetFocus, {});
}

bool CSkinTree::IsInside(const CControlUI* ancestor, const CControlUI* control) const {
  for (const CControlUI* c = control; c != nullptr; c = c->GetParent()) {
    if (c == ancestor) return true;
  }
  return false;
}

void CSkinTree::ControlHidden(CControlUI* control) {
  if (IsInside(control, hot_)) hot_ = nullptr;
  if (IsInside(control, capture_)) capture_ = nullptr;
  if (IsInside(control, focus_)) focus_ = nullptr;
}

void CSkinTree::Invalidate(const UiRect& rect) {
  if (invalidate_) invalidate_(rect);
}

}  // namespace SkinUI
