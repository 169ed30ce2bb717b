// Input as the control tree sees it, free of any window system.
#pragma once

#include "ui_rect.h"

namespace SkinUI {

enum class UiEventType { MouseEnter, MouseLeave, MouseMove, ButtonDown, ButtonUp, KeyDown, SetFocus, KillFocus };

// Key codes the controls react to (the same numbers as the virtual keys).
constexpr int kKeyReturn = 0x0D;
constexpr int kKeySpace = 0x20;

struct UiEvent {
  UiEventType type = UiEventType::MouseMove;
  UiPoint pt;
  int key = 0;
};

}  // namespace SkinUI
