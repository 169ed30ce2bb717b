// A reply before it goes out: status, headers and a body held in memory or
// streamed from a slice of a file, optionally followed by filler bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct FileSlice {
  std::string path;
  uint64_t offset = 0;
  uint64_t length = 0;
};

struct HttpReply {
  int status = 200;
  std::string contentType = "text/plain";
  std::vector<std::string> headerLines;  // complete lines without CRLF, length header excluded
  std::string body;                      // used when `file` is empty
  std::optional<FileSlice> file;
  uint64_t fillerBytes = 0;  // sent after the content, counted in the body length
  bool omitBody = false;     // HEAD: headers describe the body, none is sent

  uint64_t contentLength() const { return file ? file->length : body.size(); }
  uint64_t bodyLength() const { return contentLength() + fillerBytes; }
  void setTextBody(int statusCode, const std::string& text) {
    status = statusCode;
    contentType = "text/plain";
    body = text;
    file.reset();
    fillerBytes = 0;
  }
};

const char* reasonPhrase(int status);
