// "serve": accepts connections on 127.0.0.1 until SIGTERM or SIGINT, one
// thread per connection.
#pragma once

#include <cstdint>
#include <string>

struct ServeOptions {
    std::string configPath;
    std::string logPath;
    std::string portFile; // empty: none
    uint16_t port = 0;    // 0: any free port
};

// Returns the process exit code.
int runService(const ServeOptions& options);
