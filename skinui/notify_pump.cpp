#include "notify_pump.h"

#include "control.h"

namespace SkinUI {

void CNotifyPump::AddNotifyHandler(const std::wstring& type, const std::wstring& senderName, Handler handler) {
  m_entries.push_back({type, senderName, std::move(handler)});
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
  for (const Entry& entry : m_entries) {
    if (entry.type != msg.sType) continue;
    if (!entry.senderName.empty() && (msg.pSender == nullptr || msg.pSender->GetName() != entry.senderName)) continue;
    entry.handler(msg);
    return true;
  }
  return false;
}

}  // namespace SkinUI
