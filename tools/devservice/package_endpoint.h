// "/packages/NAME": the file, whole or one byte range, for GET and HEAD.
#pragma once

#include "http_reply.h"
#include "http_request.h"
#include "service_config.h"

// A package file, whole or the byte range asked for (unless `honourRange` is
// false: then always the whole file with 200, as servers without range
// support answer).
HttpReply answerPackageRequest(const HttpRequest& request, const ServiceConfig& config, bool honourRange);
