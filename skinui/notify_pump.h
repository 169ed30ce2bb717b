// The window's notification map: notification type (and optionally the
// sender's name) to a handler.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "notify.h"

namespace SkinUI {

class CNotifyPump {
 public:
  using Handler = std::function<void(TNotifyUI&)>;
  virtual ~CNotifyPump() = default;

  // An empty sender name matches every control. Entries are tried in the
  // order they were added; the first match handles the notification.
  void AddNotifyHandler(const std::wstring& type, const std::wstring& senderName, Handler handler);
  bool NotifyPump(TNotifyUI& msg);

 private:
  struct Entry {
    std::wstring type;
    std::wstring senderName;
    Handler handler;
  };
  std::vector<Entry> m_entries;
};

}  // namespace SkinUI
