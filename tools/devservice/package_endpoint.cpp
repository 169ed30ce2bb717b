#include "package_endpoint.h"

#include "package_files.h"

#include <filesystem>
#include <string>

namespace {

HttpReply textReply(int status, const std::string& text) {
  HttpReply reply;
  reply.setTextBody(status, text);
  return reply;
}

HttpReply fileReply(const std::string& path, uint64_t total, const ByteRange& range, bool partial,
                    const ServiceConfig& config) {
  HttpReply reply;
  reply.status = partial ? 206 : 200;
  reply.contentType = "application/octet-stream";
  reply.file = FileSlice{path, range.first, partial ? range.length() : total};
  reply.headerLines.push_back("Accept-Ranges: bytes");
  if (partial) {
    reply.headerLines.push_back("Content-Range: bytes " + std::to_string(range.first) + "-" +
                                std::to_string(range.last) + "/" + std::to_string(total));
  }
  for (const std::string& line : config.packageHeaders) reply.headerLines.push_back(line);
  return reply;
}

HttpReply unsatisfiableRange(uint64_t total) {
  HttpReply reply = textReply(416, "");
  reply.headerLines.push_back("Content-Range: bytes */" + std::to_string(total));
  return reply;
}

}  // namespace

HttpReply answerPackageRequest(const HttpRequest& request, const ServiceConfig& config, bool honourRange) {
  const bool head = request.methodIs("HEAD");
  if (!head && !request.methodIs("GET")) return textReply(405, "method not allowed");

  std::string name;
  std::string path;
  if (packageNameFromPath(request.path, name)) path = findPackageFile(config.packagesDir, name);
  HttpReply reply;
  std::error_code error;
  const uint64_t total = path.empty() ? 0 : std::filesystem::file_size(path, error);
  if (path.empty() || error) {
    reply = textReply(404, "no such package");
  } else {
    ByteRange range;
    const std::string* rangeHeader = honourRange ? request.findHeader("Range") : nullptr;
    const RangeVerdict verdict = rangeHeader ? evaluateRange(*rangeHeader, total, range) : RangeVerdict::WholeFile;
    if (verdict == RangeVerdict::Unsatisfiable) {
      reply = unsatisfiableRange(total);
    } else {
      reply = fileReply(path, total, range, verdict == RangeVerdict::Partial, config);
    }
  }
  reply.omitBody = head;
  return reply;
}
