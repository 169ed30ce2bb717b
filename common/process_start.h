// Starting a program from a narrow command line the way the launcher and the
// updater do: no application name, no inherited handles, creation flags 0,
// our own environment and current directory, an all-zero start-up record.
#pragma once

#include <windows.h>

#include <string>

#include "handles.h"

namespace tavrin {

// True when the process was created; `started` then owns its handles.
// On failure `error` holds GetLastError().
bool startProcessA(const std::string& commandLine, ProcessHandles& started, DWORD& error);

}  // namespace tavrin
