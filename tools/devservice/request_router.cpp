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

HttpReply answerEndpoint(const std::string& endpoint, const HttpRequest& request,
                         const ServiceConfig& config, const Fault& fault, const std::string& baseUrl) {
    if (endpoint == "update") return answerUpdateCheck(request, config, fault, baseUrl);
    if (endpoint == "settings") return answerSettingsFetch(request, config, fault);
    if (endpoint == "active" || endpoint == "uninstall") return answerReport(request);
    return answerPackageRequest(request, config);
}

} // namespace

RoutedReply routeRequest(const HttpRequest& request, const ServiceConfig& config,
                         const std::string& baseUrl, EndpointCounters& counters) {
    RoutedReply routed;
    routed.endpoint = endpointOfPath(request.path);
    if (routed.endpoint.empty()) {
        routed.reply.setTextBody(404, "not found");
        return routed;
    }
    const uint64_t index = counters.nextIndex(routed.endpoint);
    routed.fault = faultForRequest(config.faults, routed.endpoint, index);
    routed.reply = answerEndpoint(routed.endpoint, request, config, routed.fault, baseUrl);
    if (routed.endpoint == "active" || routed.endpoint == "uninstall") {
        routed.report = readReportForm(request.body);
    }
    applyContentFault(routed.fault, baseUrl, routed.reply);
    if (routed.fault.refuseHead && request.methodIs("HEAD")) {
        routed.reply.setTextBody(405, "method not allowed");
        routed.reply.omitBody = true;
    }
    return routed;
}
