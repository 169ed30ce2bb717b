// The listening socket, bound to the loopback address 127.0.0.1 only.
#pragma once

#include "socket_io.h"

#include <cstdint>
#include <string>

// Port 0 picks a free port; `boundPort` receives the port in use.
UniqueFd listenOnLoopback(uint16_t port, uint16_t& boundPort, std::string& error);
