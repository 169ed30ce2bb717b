// One JSON line per finished request, appended to the log file.
#pragma once

#include "http_request.h"
#include "reply_forms.h"
#include "reply_sender.h"
#include "report_endpoints.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

struct RequestRecord {
  uint64_t seq = 0;
  const HttpRequest* request = nullptr;
  int status = 0;
  SendOutcome outcome;
  const std::optional<ReportFields>* report = nullptr;
  std::optional<ReplyForm> replyForm;  // config endpoints only
};

// The log line: seq, method, path, query, headers, body, status, bytes_sent,
// complete, range (when sent), nonce (the query member "n" as sent, or null),
// for reports info, report_text and report, and for the config endpoints
// reply_form (the form's name, or null when the body is no reply).
// Text that is not valid UTF-8 is written byte by byte as U+00XX and is also
// given in hexadecimal in a member of the same name with "_hex" appended.
nlohmann::json makeLogLine(const RequestRecord& record);

class RequestLog {
 public:
  explicit RequestLog(std::string path) : m_path(std::move(path)) {}

  // Appends one line and flushes it; lines of concurrent requests never mix.
  bool append(const nlohmann::json& line);

 private:
  std::mutex m_lock;
  std::string m_path;
};
