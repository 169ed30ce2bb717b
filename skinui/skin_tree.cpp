#include "skin_tree.h"

#include <algorithm>

#include "attribute_text.h"
#include "container.h"

namespace SkinUI {

CSkinTree::~CSkinTree() {
  // The controls go first, while the receivers still exist.
  m_invalidate = nullptr;
  m_hot = m_capture = m_focus = nullptr;
  m_root.reset();
}

void CSkinTree::AddFont(int id, const FontInfo& font, bool isDefault) {
  m_fonts[id] = font;
  if (isDefault) m_defaultFont = font;
}

const FontInfo& CSkinTree::GetFont(int id) const {
  auto it = m_fonts.find(id);
  return it == m_fonts.end() ? m_defaultFont : it->second;
}

void CSkinTree::SetDefaultAttributes(const std::string& className, AttributeList attributes) {
  m_defaults[ToLowerAscii(className)] = std::move(attributes);
}

const AttributeList* CSkinTree::GetDefaultAttributes(const std::string& className) const {
  auto it = m_defaults.find(ToLowerAscii(className));
  return it == m_defaults.end() ? nullptr : &it->second;
}

void CSkinTree::AttachRoot(std::unique_ptr<CControlUI> root) {
  m_hot = m_capture = m_focus = nullptr;
  m_root = std::move(root);
  if (m_root) {
    m_root->AttachTree(this, nullptr);
    if (!m_client.IsEmpty()) m_root->SetPos(m_client);
  }
}

CControlUI* CSkinTree::FindControl(const std::wstring& name) const {
  if (name.empty() || !m_root) return nullptr;  // unnamed controls cannot be looked up
  return m_root->FindByName(name);
}

CControlUI* CSkinTree::FindControlAt(UiPoint pt) const { return m_root ? m_root->FindControlAt(pt) : nullptr; }

void CSkinTree::SetClientRect(const UiRect& rect) {
  m_client = rect;
  if (m_root) m_root->SetPos(rect);
}

void CSkinTree::Paint(IRenderTarget& target, const UiRect& dirty) {
  if (m_root) m_root->DoPaint(target, dirty);
}

void CSkinTree::AddNotifier(INotifyUI* receiver) {
  if (std::find(m_receivers.begin(), m_receivers.end(), receiver) == m_receivers.end()) {
    m_receivers.push_back(receiver);
  }
}

void CSkinTree::RemoveNotifier(INotifyUI* receiver) {
  m_receivers.erase(std::remove(m_receivers.begin(), m_receivers.end(), receiver), m_receivers.end());
}

void CSkinTree::SendNotify(CControlUI* sender, const wchar_t* type, uintptr_t wParam, intptr_t lParam) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = sender;
  msg.wParam = wParam;
  msg.lParam = lParam;
  // A receiver may remove itself while handling, so go over a copy.
  std::vector<INotifyUI*> receivers = m_receivers;
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
  if (m_capture != nullptr) {
    SendEvent(m_capture, UiEventType::MouseMove, pt);
    return;
  }
  CControlUI* now = FindControlAt(pt);
  if (now != m_hot) {
    if (m_hot != nullptr) SendEvent(m_hot, UiEventType::MouseLeave, pt);
    m_hot = now;
    if (m_hot != nullptr) SendEvent(m_hot, UiEventType::MouseEnter, pt);
  }
  if (m_hot != nullptr) SendEvent(m_hot, UiEventType::MouseMove, pt);
}

void CSkinTree::OnMouseLeave() {
  if (m_hot != nullptr && m_capture == nullptr) {
    CControlUI* left = m_hot;
    m_hot = nullptr;
    SendEvent(left, UiEventType::MouseLeave, {-1, -1});
  }
}

void CSkinTree::OnButtonDown(UiPoint pt) {
  CControlUI* control = FindControlAt(pt);
  if (control == nullptr || !control->IsEnabled()) return;
  if (control->WantsFocus()) SetFocus(control);
  m_capture = control;
  SendEvent(control, UiEventType::ButtonDown, pt);
}

void CSkinTree::OnButtonUp(UiPoint pt) {
  CControlUI* control = m_capture;
  m_capture = nullptr;
  if (control != nullptr) SendEvent(control, UiEventType::ButtonUp, pt);
}

bool CSkinTree::OnKeyDown(int key) {
  if (m_focus == nullptr || !m_focus->IsShown()) return false;
  SendEvent(m_focus, UiEventType::KeyDown, {}, key);
  return true;
}

void CSkinTree::SetFocus(CControlUI* control) {
  if (control == m_focus) return;
  CControlUI* old = m_focus;
  m_focus = control;
  if (old != nullptr) SendEvent(old, UiEventType::KillFocus, {});
  if (m_focus != nullptr) SendEvent(m_focus, UiEventType::SetFocus, {});
}

bool CSkinTree::IsInside(const CControlUI* ancestor, const CControlUI* control) const {
  for (const CControlUI* c = control; c != nullptr; c = c->GetParent()) {
    if (c == ancestor) return true;
  }
  return false;
}

void CSkinTree::ControlHidden(CControlUI* control) {
  if (IsInside(control, m_hot)) m_hot = nullptr;
  if (IsInside(control, m_capture)) m_capture = nullptr;
  if (IsInside(control, m_focus)) m_focus = nullptr;
}

void CSkinTree::Invalidate(const UiRect& rect) {
  if (m_invalidate) m_invalidate(rect);
}

}  // namespace SkinUI
