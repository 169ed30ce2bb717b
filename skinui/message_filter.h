// Sees a window's messages before the framework handles them.
#pragma once

#include <windows.h>

namespace SkinUI {

class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  // Set bHandled to stop the message here, with the returned result.
  virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
};

}  // namespace SkinUI
