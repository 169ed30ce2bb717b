// "/packages/NAME": the file, whole or one byte range, for GET and HEAD.
#pragma once

#include "http_reply.h"
#include "http_request.h"
#include "service_config.h"

HttpReply answerPackageRequest(const HttpRequest& request, const ServiceConfig& config);
