#include "request_log.h"

#include "request_nonce.h"
#include "text_codec.h"

#include <fstream>

namespace {

void setText(nlohmann::json& object, const std::string& name, const std::string& bytes) {
  if (isValidUtf8(bytes)) {
    object[name] = bytes;
    return;
  }
  object[name] = latin1ToUtf8(bytes);
  object[name + "_hex"] = toHex(bytes);
}

nlohmann::json headersObject(const HttpRequest& request) {
  nlohmann::json headers = nlohmann::json::object();
  for (const HeaderField& field : request.headers) {
    const std::string name = isValidUtf8(field.name) ? field.name : latin1ToUtf8(field.name);
    const std::string value = isValidUtf8(field.value) ? field.value : latin1ToUtf8(field.value);
    const auto existing = headers.find(name);
    if (existing == headers.end()) {
      headers[name] = value;
    } else {
      *existing = existing->get<std::string>() + ", " + value;  // repeated header
    }
  }
  return headers;
}

void addReportMembers(nlohmann::json& line, const ReportFields& report) {
  if (!report.hasInfo) {
    line["info"] = nullptr;
    line["report_text"] = nullptr;
    line["report"] = nullptr;
    return;
  }
  setText(line, "info", report.info);
  if (!report.decoded) {
    line["report_text"] = nullptr;
    line["report"] = nullptr;
    return;
  }
  setText(line, "report_text", report.reportText);
  nlohmann::json parsed = nlohmann::json::parse(report.reportText, nullptr, false);
  line["report"] = parsed.is_object() ? parsed : nlohmann::json();
}

void addReplyForm(nlohmann::json& line, ReplyForm form) {
  const char* name = replyFormName(form);
  line["reply_form"] = name != nullptr ? nlohmann::json(name) : nlohmann::json();
}

}  // namespace

nlohmann::json makeLogLine(const RequestRecord& record) {
  const HttpRequest& request = *record.request;
  nlohmann::json line = nlohmann::json::object();
  line["seq"] = record.seq;
  setText(line, "method", request.method);
  setText(line, "path", request.path);
  setText(line, "query", request.query);
  line["headers"] = headersObject(request);
  setText(line, "body", request.body);
  line["status"] = record.status;
  line["bytes_sent"] = record.outcome.bytesSent;
  line["complete"] = record.outcome.complete;
  if (const std::string* range = request.findHeader("Range")) setText(line, "range", *range);
  const std::optional<std::string> nonce = nonceMemberOf(request.query);
  if (nonce) {
    setText(line, "nonce", *nonce);
  } else {
    line["nonce"] = nullptr;
  }
  if (record.report != nullptr && record.report->has_value()) addReportMembers(line, **record.report);
  if (record.replyForm) addReplyForm(line, *record.replyForm);
  return line;
}

bool RequestLog::append(const nlohmann::json& line) {
  const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  std::lock_guard<std::mutex> guard(m_lock);
  std::ofstream file(m_path, std::ios::binary | std::ios::app);
  if (!file) return false;
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.flush();
  return static_cast<bool>(file);
}
