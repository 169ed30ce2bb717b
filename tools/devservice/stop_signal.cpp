#include "stop_signal.h"

#include <csignal>
#include <thread>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void raiseStopFlag(int) { g_stopRequested = 1; }

}  // namespace

void installStopSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = raiseStopFlag;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  // A peer that hangs up mid-reply must not end the process.
  std::signal(SIGPIPE, SIG_IGN);
}

bool stopRequested() { return g_stopRequested != 0; }

void requestStop() { g_stopRequested = 1; }

bool sleepUnlessStopped(std::chrono::milliseconds duration) {
  constexpr std::chrono::milliseconds kSlice(20);
  const auto deadline = std::chrono::steady_clock::now() + duration;
  while (!stopRequested()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    std::this_thread::sleep_for(left < kSlice ? left : kSlice);
  }
  return false;
}
