#include "report_endpoints.h"

#include "text_codec.h"

ReportFields readReportForm(const std::string& formBody) {
  ReportFields fields;
  const std::string key = "info=";
  size_t fieldStart = 0;
  while (fieldStart <= formBody.size()) {
    size_t fieldEnd = formBody.find('&', fieldStart);
    if (fieldEnd == std::string::npos) fieldEnd = formBody.size();
    if (formBody.compare(fieldStart, key.size(), key) == 0) {
      fields.hasInfo = true;
      fields.info = formBody.substr(fieldStart + key.size(), fieldEnd - fieldStart - key.size());
      fields.decoded = base64DecodeStrict(fields.info, fields.reportText);
      break;
    }
    fieldStart = fieldEnd + 1;
  }
  return fields;
}

HttpReply answerReport(const HttpRequest& request) {
  HttpReply reply;
  if (request.methodIs("POST")) {
    reply.setTextBody(200, "ok");
  } else {
    reply.setTextBody(405, "method not allowed");
  }
  return reply;
}
