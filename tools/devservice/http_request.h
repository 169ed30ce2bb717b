// One HTTP/1.x request as it arrived on a connection, read with fixed limits.
#pragma once

#include <string>
#include <vector>

struct HeaderField {
  std::string name;   // as sent
  std::string value;  // surrounding blanks removed
};

struct HttpRequest {
  std::string method;   // as sent ("Post" stays "Post")
  std::string target;   // request target as sent
  std::string path;     // target without the query
  std::string query;    // raw text after the first "?", empty when none
  std::string version;  // "HTTP/1.1"
  std::vector<HeaderField> headers;
  std::string body;

  // Value of the first header with this name (case-insensitive), or null.
  const std::string* findHeader(const std::string& name) const;
  bool methodIs(const std::string& upperCaseMethod) const;
};

enum class RequestReadResult {
  Complete,
  ClosedEarly,  // the peer sent nothing usable before closing or timing out
  Malformed,
  TooLarge,
};

// Reads the request line, the headers and the body (Content-Length or chunked).
// Answers "Expect: 100-continue" with an interim reply before reading the body.
RequestReadResult readRequest(int fd, HttpRequest& request);
