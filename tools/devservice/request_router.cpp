#include "request_router.h"

#include "config_endpoints.h"
#include "package_endpoint.h"
#include "package_files.h"

namespace {

std::string endpointOfPath(const std::string& path) {
  if (path == "/app/config/version_upgrade/") return "update";
  if (path == "/app/config/setting/") return "settings";
  if (path == "/app/count/active/") return "active";
  if (path == "/app/count/uninstall/") return "uninstall";
  if (path.compare(0, std::string(kPackagesPrefix).size(), kPackagesPrefix) == 0) return "package";
  return {};
}

void answerEndpoint(const HttpRequest& request, const ServiceConfig& config, const std::string& baseUrl,
                    RoutedReply& routed) {
  if (routed.endpoint == "update" || routed.endpoint == "settings") {
    ConfigAnswer answer = routed.endpoint == "update" ? answerUpdateCheck(request, config, routed.fault, baseUrl)
                                                      : answerSettingsFetch(request, config, routed.fault);
    routed.reply = std::move(answer.reply);
    routed.replyForm = answer.form;
  } else if (routed.endpoint == "active" || routed.endpoint == "uninstall") {
    routed.reply = answerReport(request);
    routed.report = readReportForm(request.body);
  } else {
    routed.reply = answerPackageRequest(request, config, !routed.fault.ignoreRange);
  }
}

}  // namespace

RoutedReply routeRequest(const HttpRequest& request, const ServiceConfig& config, const std::string& baseUrl,
                         EndpointCounters& counters) {
  RoutedReply routed;
  routed.endpoint = endpointOfPath(request.path);
  if (routed.endpoint.empty()) {
    routed.reply.setTextBody(404, "not found");
    return routed;
  }
  const uint64_t index = counters.nextIndex(routed.endpoint);
  routed.fault = faultForRequest(config.faults, routed.endpoint, index);
  answerEndpoint(request, config, baseUrl, routed);
  applyContentFault(routed.fault, baseUrl, request.query, routed.reply);
  if (routed.replyForm) routed.replyForm = formAfterContentFault(*routed.replyForm, routed.fault);
  if (routed.fault.refuseHead && request.methodIs("HEAD")) {
    routed.reply.setTextBody(405, "method not allowed");
    routed.reply.omitBody = true;
  }
  if (routed.endpoint == "package") applyExtraBytesFault(routed.fault, routed.reply);
  applyHeaderFlood(routed.fault, routed.reply);
  return routed;
}
