// "serve": accepts connections on 127.0.0.1 until SIGTERM or SIGINT, one
// thread per connection. A service started by a test program that cannot
// signal it (a Windows test under Wine) is told to end by removing a file
// (--exit-when-missing), with a hard cap on its lifetime as a safety net.
#pragma once

#include <cstdint>
#include <string>

struct ServeOptions {
  std::string configPath;
  std::string logPath;
  std::string portFile;         // empty: none
  uint16_t port = 0;            // 0: any free port
  std::string exitWhenMissing;  // empty: none; else end once this file is gone
  uint32_t maxSeconds = 0;      // 0: no cap on the lifetime
};

// Lifetime cap used when --exit-when-missing is given without --max-seconds.
constexpr uint32_t kDefaultWatchedMaxSeconds = 900;

// Returns the process exit code.
int runService(const ServeOptions& options);
