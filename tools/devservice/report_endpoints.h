// "/app/count/active/" and "/app/count/uninstall/": form posts of
// "info=<Base64 of a JSON report>", always answered with "ok".
#pragma once

#include "http_reply.h"
#include "http_request.h"

#include <string>

struct ReportFields {
  bool hasInfo = false;
  std::string info;  // raw form value, not URL-decoded ("+" and "/" literal)
  bool decoded = false;
  std::string reportText;  // Base64-decoded info, byte for byte
};

// The "info" value of an urlencoded form body, taken as it is.
ReportFields readReportForm(const std::string& formBody);

// POST in any letter case (the uninstaller sends "Post").
HttpReply answerReport(const HttpRequest& request);
