#include "connection.h"

#include "http_request.h"
#include "reply_sender.h"
#include "request_router.h"
#include "service_config.h"

#include <sys/socket.h>

namespace {

constexpr int kReceiveTimeoutMs = 15000;
constexpr int kSendTimeoutMs = 30000;
constexpr int kLingerTimeoutMs = 500;

HttpReply replyForUnreadable(RequestReadResult result) {
  HttpReply reply;
  if (result == RequestReadResult::TooLarge) {
    reply.setTextBody(413, "request too large");
  } else {
    reply.setTextBody(400, "bad request");
  }
  return reply;
}

// Half-closes and reads what the peer still sends for a short, bounded time,
// so that the peer sees an orderly end of the reply rather than a reset.
void closeGracefully(UniqueFd& connection) {
  ::shutdown(connection.get(), SHUT_WR);
  setSocketTimeouts(connection.get(), kLingerTimeoutMs, kLingerTimeoutMs);
  char sink[4096];
  for (int reads = 0; reads < 16; ++reads) {
    if (::recv(connection.get(), sink, sizeof sink, 0) <= 0) break;
  }
  connection.reset();
}

void writeLogLine(ServiceContext& context, uint64_t seq, const HttpRequest& request, const RoutedReply& routed,
                  const SendOutcome& outcome) {
  RequestRecord record;
  record.seq = seq;
  record.request = &request;
  record.status = routed.reply.status;
  record.outcome = outcome;
  record.report = &routed.report;
  record.replyForm = routed.replyForm;
  context.log->append(makeLogLine(record));
}

}  // namespace

void serveConnection(UniqueFd connection, ServiceContext& context) {
  setSocketTimeouts(connection.get(), kReceiveTimeoutMs, kSendTimeoutMs);
  HttpRequest request;
  const RequestReadResult readResult = readRequest(connection.get(), request);
  if (readResult == RequestReadResult::ClosedEarly) return;
  const uint64_t seq = context.nextSeq++;

  RoutedReply routed;
  if (readResult == RequestReadResult::Complete) {
    const ServiceConfig config = loadServiceConfig(context.configPath);
    routed = routeRequest(request, config, context.baseUrl, context.counters);
  } else {
    routed.reply = replyForUnreadable(readResult);
  }
  const SendOutcome outcome = sendReply(connection.get(), routed.reply, routed.fault);
  // Logged before closing: once a client sees the end of the reply, its line is there.
  writeLogLine(context, seq, request, routed, outcome);
  closeGracefully(connection);
}
