// "/app/config/version_upgrade/" and "/app/config/setting/": "null" or a
// protected reply of the configured plaintext.
#pragma once

#include "fault_rules.h"
#include "http_reply.h"
#include "http_request.h"
#include "service_config.h"

#include <string>

// The update plaintext: the configured object as compact JSON with "{base}"
// substituted in "fileurl" and "sha256": "auto" replaced by the digest of the
// package that "fileurl" names (left out when that file cannot be read); a
// configured string is sent as it is.
std::string makeUpdatePlaintext(const ServiceConfig& config, const std::string& baseUrl);

HttpReply answerUpdateCheck(const HttpRequest& request, const ServiceConfig& config,
                            const Fault& fault, const std::string& baseUrl);
HttpReply answerSettingsFetch(const HttpRequest& request, const ServiceConfig& config,
                              const Fault& fault);
