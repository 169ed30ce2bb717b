// Chooses the endpoint of a request, asks it for a reply, and applies the
// configured fault of that endpoint.
#pragma once

#include "fault_rules.h"
#include "http_reply.h"
#include "http_request.h"
#include "reply_forms.h"
#include "report_endpoints.h"
#include "service_config.h"

#include <optional>
#include <string>

struct RoutedReply {
  std::string endpoint;  // "update", "settings", "active", "uninstall", "package", or empty
  HttpReply reply;
  Fault fault;                         // the fault that applies to this request (none when not configured)
  std::optional<ReportFields> report;  // for the two report endpoints
  std::optional<ReplyForm> replyForm;  // for the two config endpoints: what the body is
};

RoutedReply routeRequest(const HttpRequest& request, const ServiceConfig& config, const std::string& baseUrl,
                         EndpointCounters& counters);
