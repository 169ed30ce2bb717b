// The launcher run's cancel flag. It starts at 0; the main thread sets it
// when the browser ends before the background work, and every transfer of
// the HTTP client (each client object points at it) then stops promptly.
#pragma once

#include <atomic>

namespace tavrin {

std::atomic<char>& runCancelFlag();

}  // namespace tavrin
