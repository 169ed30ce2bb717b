// The one host of the configuration and statistics service, set when the
// build is configured (CMake option TAVRIN_SERVICE_HOST). Only a build for
// the tests and the demo (TAVRIN_SERVICE_HOST_FROM_ENVIRONMENT=ON) lets the
// environment variable TAVRIN_SERVICE_HOST ("host" or "host:port") override
// it at run time; a shipping build never reads the environment for it.
#pragma once

#include <string>

namespace tavrin {

std::string serviceHost();
// "http://" + host + path, e.g. serviceUrl("/app/count/active/").
std::string serviceUrl(const std::string& path);

}  // namespace tavrin
