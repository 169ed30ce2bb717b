// The 32-bit sections the framework draws into.
#pragma once

#include <windows.h>

#include "gdi_handles.h"

namespace SkinUI {

// A 32-bit device-independent section; height > 0 is bottom-up, < 0 top-down.
tavrin::UniqueBitmap CreateArgbSection(int width, int height, void** bits);

}  // namespace SkinUI
