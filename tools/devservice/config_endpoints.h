// "/app/config/version_upgrade/" and "/app/config/setting/": "null" or a
// protected reply of the configured plaintext, bound to the nonce of the
// request (query member "n").
#pragma once

#include "fault_rules.h"
#include "http_reply.h"
#include "http_request.h"
#include "reply_forms.h"
#include "service_config.h"

#include <string>

// The update plaintext: the configured object as compact JSON with "{base}"
// substituted in "fileurl" and "sha256": "auto" replaced by the digest of the
// package that "fileurl" names (left out when that file cannot be read); a
// configured string is sent as it is.
std::string makeUpdatePlaintext(const ServiceConfig& config, const std::string& baseUrl);

struct ConfigAnswer {
  HttpReply reply;
  ReplyForm form = ReplyForm::None;  // what the body is, before the content faults
};

// The reply faults (wrong_key, legacy_reply, stale_nonce, wrong_digest) choose
// the form; the content faults are applied later by the caller.
ConfigAnswer answerUpdateCheck(const HttpRequest& request, const ServiceConfig& config, const Fault& fault,
                               const std::string& baseUrl);
ConfigAnswer answerSettingsFetch(const HttpRequest& request, const ServiceConfig& config, const Fault& fault);
