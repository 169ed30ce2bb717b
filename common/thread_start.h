// The one way the programs start a thread: the C runtime's _beginthreadex,
// so that the runtime's per-thread data is set up and freed.
#pragma once

#include <windows.h>

#include "handles.h"

namespace tavrin {

using ThreadEntry = unsigned(__stdcall*)(void* param);

enum class ThreadStart { Running, Suspended };

// The new thread's handle; none when it could not be started (the entry
// then never runs and `param` stays the caller's).
UniqueHandle startThread(ThreadEntry entry, void* param, ThreadStart start = ThreadStart::Running);

}  // namespace tavrin
