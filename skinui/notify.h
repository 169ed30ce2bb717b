// Named notifications from controls to the window ("click", "tabselect").
#pragma once

#include <cstdint>
#include <string>

namespace SkinUI {

class CControlUI;

struct TNotifyUI {
  std::wstring sType;
  CControlUI* pSender = nullptr;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

}  // namespace SkinUI
