// Writes a reply to the connection, committing the transfer faults on the way:
// cut bodies, stalls, missing, lying or lower-case length headers, filler
// sent beyond the content.
#pragma once

#include "fault_rules.h"
#include "http_reply.h"

#include <cstdint>

struct SendOutcome {
  uint64_t bytesSent = 0;  // body bytes actually written
  bool complete = false;   // the whole announced body went out
};

SendOutcome sendReply(int fd, const HttpReply& reply, const Fault& fault);
