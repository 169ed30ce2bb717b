// Serves one accepted connection: one request, one reply, one log line, close.
#pragma once

#include "fault_rules.h"
#include "request_log.h"
#include "socket_io.h"

#include <atomic>
#include <cstdint>
#include <string>

struct ServiceContext {
  std::string configPath;
  std::string baseUrl;  // "http://127.0.0.1:PORT"
  RequestLog* log = nullptr;
  EndpointCounters counters;
  std::atomic<uint64_t> nextSeq{1};
};

void serveConnection(UniqueFd connection, ServiceContext& context);
