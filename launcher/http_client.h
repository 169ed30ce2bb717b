// The launcher's HTTP transfer client on libcurl's easy interface: a GET and
// a form POST into memory, a pre-flight request for a remote file's size and
// name, and two file downloads (plain, and resumable with a ".temp" partial
// file and a 512-byte ".cfg" side file). Synchronous; nothing throws out.
#pragma once

#include <cstdint>
#include <string>

#include <curl/curl.h>

#include "curl_handles.h"
#include "transfer_cancel.h"

namespace tavrin {

class Sha256Stream;
struct DownloadSink;  // where a download's bytes go (http_client.cpp)

// Code and message of one transfer. The code is an HTTP status, a libcurl
// result code, or one of the client's own negative codes; callers test it
// against 200 and log it. What happened is also kept apart: how the transfer
// itself ended, the last status line, and whether the cancel token stopped it.
struct HttpResult {
  int32_t code = 0;
  std::string message;
  CURLcode transport = CURLE_OK;  // libcurl's own code of the transfer (CURLE_OK when none ran)
  long status = 0;                // the last HTTP status line, 0 when none arrived
  bool cancelled = false;         // the cancel token stopped the transfer or the rename
};

// Filled by the header callback of getRemoteFileInfo.
struct RemoteFileInfo {
  int64_t contentLength = 0;
  std::string fileName;
  std::string rawHeaders;
};

// Observer of download progress.
class CLibcurlDownCallback {
 public:
  virtual void onProgress(int32_t kind, int32_t taskNumber, double total, double current, double previous) = 0;
  virtual void onNotify(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) = 0;  // never issued
  virtual ~CLibcurlDownCallback() = default;
};

// Codes of the client's own.
enum : int32_t {
  kHttpClientFailed = -1,
  kHttpRenameShared = -2,
  kHttpDownloadShort = -100,
  kHttpResumeRenameShared = -101,
  kHttpSideFileFailed = -102,
  kHttpDigestMismatch = -103,  // a complete download is not the package whose SHA-256 was asked for
  kHttpTooLarge = -104,        // more bytes than expected (or than the limit) arrived
};

class CLibcurlClient {
 public:
  CLibcurlClient();
  ~CLibcurlClient();  // releases like Release()
  CLibcurlClient(const CLibcurlClient&) = delete;
  CLibcurlClient& operator=(const CLibcurlClient&) = delete;

  void Release();
  bool addHeader(const std::string& name, const std::string& value);

  HttpResult Get(const std::string& url, std::string& response);
  HttpResult Post(const std::string& url, const std::string& body, std::string& response);
  HttpResult downloadFile(const std::string& url, const std::string& directory, const std::string& fileName);
  HttpResult downloadFile(const std::string& url, const std::string& directory, const std::string& fileName,
                          int64_t expectedSize);

  // Not used by the launcher's own callers, part of the class all the same.
  void setObserver(CLibcurlDownCallback* observer, int32_t taskNumber);
  void setSpeedCap(int32_t kibPerSecond);
  // The token whose cancel stops a running transfer and the rename loops;
  // null (the default) never cancels. Not owned.
  void setCancelToken(const CancelToken* cancel);

  // Limits on what a hostile server can make the launcher hold or write.
  // Get and Post refuse a reply body above `bytes` (0: no limit) with
  // kHttpTooLarge and an empty response.
  void setResponseLimit(size_t bytes);
  // A plain download stops and fails once more than `bytes` arrive (0: no
  // limit). A resumable download never writes more than its expected size.
  void setMaxDownloadBytes(int64_t bytes);
  // Downloads hash what they write (a continued partial file from its first
  // byte) and give the file its final name only when the SHA-256 is this one
  // (64 lower-case hexadecimal digits; empty: no check).
  void setExpectedSha256(const std::string& hex);

  // libcurl's progress callback of every transfer (double arguments).
  static int downloadProgress(void* client, double downloadTotal, double downloadNow, double uploadTotal,
                              double uploadNow);

 private:
  void applyCommonOptions();
  // The progress callback watches the cancel flag for every transfer.
  void installProgressCallback();
  // The receive buffer and, when one is set, the speed cap of a download to a file.
  void applyFileDownloadOptions();
  // One transfer as libcurl ended it: its own code and the last status line.
  struct TransferOutcome {
    CURLcode curlCode = CURLE_OK;
    long status = 0;
  };
  TransferOutcome perform();
  // The caller's result of a transfer: the status of one that completed,
  // the error status of one that broke off after it, and libcurl's code
  // otherwise (a transfer cut short, stopped or cancelled after a 2xx status
  // line never reports success).
  HttpResult performAndMakeResult();
  HttpResult resultOf(const TransferOutcome& outcome) const;
  // Get and Post: the transfer into `response`, within the response limit.
  HttpResult performIntoResponse(std::string& response);
  bool cancelRequested() const;
  // Renames partial to target, retrying a sharing violation; the result's
  // code comes in as the transfer's code and leaves as the loop's outcome.
  void renameUntilDone(const std::string& partial, const std::string& target, int32_t sharedCode, HttpResult& result);
  HttpResult plainDownload(const std::string& url, const std::string& directory, const std::string& fileName,
                           int32_t& code);
  HttpResult resumableDownload(const std::string& url, const std::string& directory, const std::string& fileName,
                               int64_t expectedSize, int32_t& code);
  // Points the handle at `url` for a download into `sink` (a DownloadSink)
  // from byte `resumeOffset` on.
  void prepareFileTransfer(const std::string& url, DownloadSink& sink, int64_t resumeOffset);
  // True when `target` already is the whole package (size, and digest when asked).
  bool isWholePackage(const std::string& target, int64_t expectedSize) const;
  // After a resumable transfer that answered `status`: complete or kept for
  // the next attempt, the digest check, the rename.
  HttpResult settleResumable(const std::string& target, int64_t expectedSize, int64_t resumeOffset, long status,
                             Sha256Stream& digest, HttpResult result);
  int reportProgress(double downloadTotal, double downloadNow);

  int32_t m_connectTimeout = 0;  // seconds
  int32_t m_totalTimeout = 0;    // seconds
  tavrin::UniqueCurl m_pCurl;
  tavrin::UniqueCurlSlist m_headerList;
  int32_t m_taskNumber = 0;
  CLibcurlDownCallback* m_observer = nullptr;
  const CancelToken* m_cancel = nullptr;
  double m_lastReportedPosition = 0.0;
  int64_t m_resumeBase = 0;
  uint32_t m_lastReportTime = 0;  // tick count, ms
  int32_t m_speedCapKib = 0;
  int64_t m_knownTotal = 0;
  size_t m_responseLimit = 0;
  int64_t m_maxDownloadBytes = 0;
  std::string m_expectedSha256;
};

// One GET on a client of its own whose body may not pass `limit` bytes,
// stopped by `cancel` (null: never).
HttpResult getWithLimit(const std::string& url, std::string& body, size_t limit, const CancelToken* cancel);

// Pre-flight: size (and file name) of a remote file from its response
// headers; `cancel` stops it (null: never).
bool getRemoteFileInfo(const std::string& url, int64_t& size, std::string& fileName, const std::string& proxy,
                       const CancelToken* cancel = nullptr);

// Write callback of Get and Post; userData is the response string.
size_t httpDataWriter(char* data, size_t size, size_t count, void* userData);
// Header callback of getRemoteFileInfo; info is a RemoteFileInfo.
size_t httpHeaderReader(char* data, size_t size, size_t count, void* info);

}  // namespace tavrin
