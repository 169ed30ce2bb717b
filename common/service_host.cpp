#include "service_host.h"

#include <cstdlib>

#ifndef TAVRIN_DEFAULT_SERVICE_HOST
#define TAVRIN_DEFAULT_SERVICE_HOST "service.tavrin.invalid"
#endif

namespace tavrin {

namespace {

#ifdef TAVRIN_SERVICE_HOST_FROM_ENVIRONMENT
// A host is a name or address with an optional port: nothing that would
// change the meaning of the URL it is put into.
bool isPlainHost(const std::string& host) {
  if (host.empty()) return false;
  for (char c : host) {
    bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
                   c == ':' || c == '[' || c == ']';
    if (!allowed) return false;
  }
  return true;
}
#endif

}  // namespace

std::string serviceHost() {
#ifdef TAVRIN_SERVICE_HOST_FROM_ENVIRONMENT
  const char* configured = std::getenv("TAVRIN_SERVICE_HOST");
  if (configured != nullptr && isPlainHost(configured)) return configured;
#endif
  return TAVRIN_DEFAULT_SERVICE_HOST;
}

std::string serviceUrl(const std::string& path) { return "http://" + serviceHost() + path; }

}  // namespace tavrin
