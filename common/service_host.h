// The one host of the configuration and statistics service. A build-time
// default (CMake option TAVRIN_SERVICE_HOST), overridden at run time by the
// environment variable TAVRIN_SERVICE_HOST ("host" or "host:port").
#pragma once

#include <string>

namespace tavrin {

std::string serviceHost();
// "http://" + host + path, e.g. serviceUrl("/app/count/active/").
std::string serviceUrl(const std::string& path);

}  // namespace tavrin
