// A deliberately tiny HTTP client for the tests: sends the request bytes as
// given and keeps the reply bytes exactly as received, up to the close.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RawReply {
  bool connected = false;
  std::string raw;  // every byte received
  int status = 0;
  std::string headerText;  // the header lines after the status line, each ending in CRLF
  std::string body;        // the bytes after the empty line

  // True when the header block holds this exact line (case-sensitive).
  bool hasHeaderLine(const std::string& line) const;
  // Value of the first header whose name matches exactly (case-sensitive); empty when none.
  std::string headerValue(const std::string& name) const;
  // True when any header of this name exists, whatever its letter case.
  bool hasHeaderAnyCase(const std::string& name) const;
};

RawReply exchange(uint16_t port, const std::string& request, int timeoutMs = 10000);

// "METHOD target HTTP/1.1" with Host, the extra lines, and the body with its length.
std::string makeRequest(const std::string& method, const std::string& target,
                        const std::vector<std::string>& extraHeaderLines = {}, const std::string& body = "");
