// One uninstaller at a time. The first instance holds the named mutex
// "{9D262DEC-07BD-46A8-8681-D896DBDF9879}" until it ends; a later one asks
// the first window to come to the front (WM_COPYDATA with wParam 2024 and an
// empty COPYDATASTRUCT) and ends.
#pragma once

#include <windows.h>

namespace tavrin::uninst {

extern const wchar_t kInstanceMutexName[];
constexpr WPARAM kActivateRequest = WM_USER + 1000;  // 2024

// True when another uninstaller already runs; its window, when one with the
// uninstaller's title exists, has then been asked to come to the front.
bool IsAnotherInstanceRunning();

// Sends the activation request and waits until the window has handled it.
void SendActivateRequest(HWND window);

}  // namespace tavrin::uninst
