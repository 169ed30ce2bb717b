// The progress callback of this client takes doubles (CURLOPT_PROGRESSFUNCTION),
// which libcurl marks as deprecated; it is still fully supported.
#ifndef CURL_DISABLE_DEPRECATION
#define CURL_DISABLE_DEPRECATION
#endif

#include "http_client.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "file_digest.h"
#include "file_probe.h"
#include "handles.h"
#include "header_scan.h"
#include "path_join.h"
#include "text_convert.h"
#include "trace_log.h"

namespace tavrin {

namespace {

constexpr char kUserAgent[] =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; zh-CN; rv:1.9.2.3) Gecko/20100401 Firefox/3.6.3";
constexpr char kFormContentType[] = "application/x-www-form-urlencoded";
constexpr char kEmptyForm[] = "";

constexpr long kConnectTimeoutSeconds = 30;
constexpr long kTotalTimeoutSeconds = 3600;
constexpr long kPreflightConnectTimeoutSeconds = 20;
constexpr long kPreflightTimeoutSeconds = 30;

// A chain of redirects longer than this is no way to a reply or a package.
constexpr long kMaxRedirects = 10;

constexpr int kRenameAttempts = 1800;
constexpr DWORD kSharingViolation = 32;
constexpr DWORD kRenameRetryDelayMs = 100;
constexpr int kAbortTransfer = -3;
constexpr uint32_t kProgressIntervalMs = 1000;
// Downloads to a file read from the socket in pieces of this size, as the curl
// tool does: libcurl's default of 16 KiB costs a system call per 16 KiB.
constexpr long kFileDownloadReceiveBytes = 100 * 1024;
// libcurl keeps a speed cap only between its passes over the socket, and one
// pass reads up to a hundred buffers: a capped download keeps the default.
constexpr long kCappedDownloadReceiveBytes = 16 * 1024;

constexpr size_t kMessageBufferSize = 1024;
constexpr size_t kSideFileSize = 512;

// Texts with Chinese characters are kept in UTF-8 here and leave in the
// ANSI code page, like every other text of the launcher.
constexpr char kDirMissingFormatUtf8[] = "save dir=%s is not exsit！";
constexpr char kServerBrokeOffUtf8[] = "下载服务器中断";

std::string ansiFromUtf8(const char* utf8) { return tavrin::wideToAnsi(tavrin::utf8ToWide(utf8)); }

int lastErrorCode() { return static_cast<int>(::GetLastError()); }

// The system's error code of the C runtime's last failed file call (fopen,
// fclose, rename): the runtime keeps it beside errno, so the number a message
// carries is the system's code without reading the thread's last error after
// a runtime call, which need not have left it.
int runtimeSystemError() { return static_cast<int>(_doserrno); }

void removeIfExists(const std::string& path) {
  if (tavrin::ansiPathExists(path)) std::remove(path.c_str());
}

HttpResult noHandleResult() {
  traceLog("curl_easy_init() failed: m_pCurl == NULL\n");
  return HttpResult{kHttpClientFailed, "m_pCurl == NULL"};
}

HttpResult missingDirectoryResult(const std::string& directory) {
  std::string format = ansiFromUtf8(kDirMissingFormatUtf8);
  std::string message = tavrin::formatBounded(kMessageBufferSize, format.c_str(), directory.c_str());
  traceLog("%s", message.c_str());
  return HttpResult{kHttpClientFailed, message};
}

std::string openFailureMessage(int error, const std::string& target) {
  return tavrin::formatBounded(kMessageBufferSize, "downloadFile open file error(%d), %s", error, target.c_str());
}

HttpResult sideFileFailure(const std::string& sideFile, int error) {
  std::string message =
      tavrin::formatBounded(kMessageBufferSize, "can not open file=%s error(%d)", sideFile.c_str(), error);
  traceLog("%s", message.c_str());
  return HttpResult{kHttpSideFileFailed, message};
}

// Allocation is the only thing that can throw around a transfer.
HttpResult exceptionResult() { return HttpResult{kHttpClientFailed, curl_easy_strerror(CURLE_OUT_OF_MEMORY)}; }

}  // namespace

// Where a download's bytes go: the open file, within the bytes this transfer
// may write, and into the running digest when one is kept.
// The body of an error reply is never package bytes: it is dropped.
struct DownloadSink {
  CURL* curl = nullptr;
  FILE* file = nullptr;
  int64_t allowed = -1;  // bytes this transfer may write; negative: no limit
  int64_t written = 0;
  tavrin::Sha256Stream* digest = nullptr;
  bool overLimit = false;
};

namespace {

bool isPackageStatus(CURL* curl) {
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  return status == 200 || status == 206;
}

size_t writeToDownload(char* data, size_t size, size_t count, void* state) {
  auto* sink = static_cast<DownloadSink*>(state);
  const size_t bytes = size * count;
  if (!isPackageStatus(sink->curl)) return bytes;
  if (sink->allowed >= 0 && static_cast<int64_t>(bytes) > sink->allowed - sink->written) {
    sink->overLimit = true;  // nothing of this piece is written; libcurl stops the transfer
    return 0;
  }
  const size_t put = std::fwrite(data, 1, bytes, sink->file);
  sink->written += static_cast<int64_t>(put);
  if (sink->digest != nullptr) sink->digest->update(data, put);
  return put;
}

// A reply body held in memory, refused once it would pass the limit.
struct ResponseSink {
  std::string* body = nullptr;
  size_t limit = 0;
  bool overLimit = false;
};

size_t writeToBoundedResponse(char* data, size_t size, size_t count, void* state) {
  auto* sink = static_cast<ResponseSink*>(state);
  const size_t bytes = size * count;
  if (bytes > sink->limit - std::min(sink->limit, sink->body->size())) {
    sink->overLimit = true;
    return 0;
  }
  return httpDataWriter(data, size, count, sink->body);
}

HttpResult tooLargeResult(const char* what, int64_t limit) {
  std::string message =
      tavrin::formatBounded(kMessageBufferSize, "%s larger than %lld bytes", what, static_cast<long long>(limit));
  traceLog("%s", message.c_str());
  return HttpResult{kHttpTooLarge, message};
}

HttpResult digestMismatchResult() {
  traceLog("package digest mismatch");
  return HttpResult{kHttpDigestMismatch, "package digest mismatch"};
}

// The expected size the side file recorded; false when it cannot be read as
// a number.
bool readRecordedSize(FILE* sideFile, int64_t& recorded) {
  char buffer[kSideFileSize + 1] = {};
  size_t got = std::fread(buffer, 1, kSideFileSize, sideFile);
  return parseLeadingInt64(buffer, ::strnlen(buffer, got), recorded);
}

// The side file: the expected size in decimal digits, NUL bytes up to 512.
bool writeSideFile(const std::string& sideFile, int64_t expectedSize, int& error) {
  tavrin::UniqueCFile out(std::fopen(sideFile.c_str(), "w"));
  if (!out) {
    error = runtimeSystemError();
    return false;
  }
  char buffer[kSideFileSize] = {};
  std::snprintf(buffer, sizeof(buffer), "%lld", static_cast<long long>(expectedSize));
  std::fwrite(buffer, 1, sizeof(buffer), out.get());
  return true;
}

std::string partialFileOf(const std::string& target) { return target + ".temp"; }
std::string sideFileOf(const std::string& target) { return target + ".cfg"; }

DownloadSink downloadSink(CURL* curl, FILE* file, int64_t allowed, tavrin::Sha256Stream* digest) {
  DownloadSink sink;
  sink.curl = curl;
  sink.file = file;
  sink.allowed = allowed;
  sink.digest = digest;
  return sink;
}

// A partial file is continued only when the side file says it belongs to a
// package of the same size (and it is not longer than that); any other
// partial file goes, with its side file. False, with the system's error, when
// a side file is there but cannot be opened.
bool dropPartialOfAnotherPackage(const std::string& partial, const std::string& sideFile, int64_t expectedSize,
                                 int& error) {
  bool continuePartial = false;
  if (tavrin::ansiPathExists(partial) && tavrin::ansiPathExists(sideFile) &&
      tavrin::getFileSize(partial) <= expectedSize) {
    tavrin::UniqueCFile sideIn(std::fopen(sideFile.c_str(), "r"));
    if (!sideIn) {
      error = runtimeSystemError();
      return false;
    }
    int64_t recorded = 0;
    continuePartial = readRecordedSize(sideIn.get(), recorded) && recorded == expectedSize;
  }
  if (!continuePartial) {
    removeIfExists(partial);
    removeIfExists(sideFile);
  }
  return true;
}

// Pre-flight: nothing of the body is wanted. The transfer ends as soon as
// the header block of a response that libcurl will not follow is complete
// (1xx and 3xx responses may be followed by another one), and at the latest
// at the first body byte. libcurl then reports a write error, which the
// outcome ignores.
struct PreflightHeaders {
  RemoteFileInfo info;
  int status = 0;  // of the response whose header lines are arriving
};

int statusOfStatusLine(const char* line, size_t length) {
  const char kPrefix[] = "HTTP/";
  if (length < sizeof(kPrefix) - 1 || std::memcmp(line, kPrefix, sizeof(kPrefix) - 1) != 0) return -1;
  const char* space = static_cast<const char*>(std::memchr(line, ' ', length));
  if (space == nullptr) return 0;
  int64_t status = 0;
  return parseLeadingInt64(space, length - static_cast<size_t>(space - line), status) ? static_cast<int>(status) : 0;
}

bool isEndOfHeaderBlock(const char* line, size_t length) {
  return (length == 2 && line[0] == '\r' && line[1] == '\n') || (length == 1 && line[0] == '\n');
}

size_t readPreflightHeader(char* data, size_t size, size_t count, void* state) {
  auto* headers = static_cast<PreflightHeaders*>(state);
  size_t bytes = size * count;
  int status = statusOfStatusLine(data, bytes);
  if (status >= 0) {
    // A new response of a redirect chain: only its own lines speak for it.
    headers->info = RemoteFileInfo();
    headers->status = status;
  }
  if (httpHeaderReader(data, size, count, &headers->info) != bytes) return 0;
  bool mayBeFollowed =
      (headers->status >= 100 && headers->status < 200) || (headers->status >= 300 && headers->status < 400);
  if (isEndOfHeaderBlock(data, bytes) && !mayBeFollowed) return 0;
  return bytes;
}

size_t stopAtFirstBodyByte(char*, size_t, size_t, void*) { return 0; }

int preflightProgress(void* cancelToken, double, double, double, double) {
  return isCancelled(static_cast<const CancelToken*>(cancelToken)) ? kAbortTransfer : 0;
}

}  // namespace

CLibcurlClient::CLibcurlClient()
    : m_connectTimeout(kConnectTimeoutSeconds), m_totalTimeout(kTotalTimeoutSeconds), m_pCurl(curl_easy_init()) {
  if (!m_pCurl) traceLog("curl_easy_init() failed: %d\n", lastErrorCode());
}

CLibcurlClient::~CLibcurlClient() { Release(); }

void CLibcurlClient::Release() {
  m_headerList.reset();
  m_pCurl.reset();
}

bool CLibcurlClient::addHeader(const std::string& name, const std::string& value) {
  try {
    std::string line = name + ": " + value;
    // The list is handed to the append and its result taken back; a failed
    // append leaves the list so far as it was.
    curl_slist* previous = m_headerList.release();
    curl_slist* list = curl_slist_append(previous, line.c_str());
    m_headerList.reset(list != nullptr ? list : previous);
    if (list == nullptr) return false;
    if (!m_pCurl) return false;
    return curl_easy_setopt(m_pCurl.get(), CURLOPT_HTTPHEADER, m_headerList.get()) == CURLE_OK;
  } catch (...) {
    return false;
  }
}

void CLibcurlClient::setObserver(CLibcurlDownCallback* observer, int32_t taskNumber) {
  m_observer = observer;
  m_taskNumber = taskNumber;
}

void CLibcurlClient::setSpeedCap(int32_t kibPerSecond) { m_speedCapKib = kibPerSecond; }

void CLibcurlClient::setCancelToken(const CancelToken* cancel) { m_cancel = cancel; }

void CLibcurlClient::setResponseLimit(size_t bytes) { m_responseLimit = bytes; }

void CLibcurlClient::setMaxDownloadBytes(int64_t bytes) { m_maxDownloadBytes = bytes; }

void CLibcurlClient::setExpectedSha256(const std::string& hex) { m_expectedSha256 = hex; }

bool CLibcurlClient::cancelRequested() const { return isCancelled(m_cancel); }

void CLibcurlClient::applyCommonOptions() {
  CURL* curl = m_pCurl.get();
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_connectTimeout));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(m_totalTimeout));
}

void CLibcurlClient::installProgressCallback() {
  CURL* curl = m_pCurl.get();
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_PROGRESSFUNCTION, &CLibcurlClient::downloadProgress);
  curl_easy_setopt(curl, CURLOPT_PROGRESSDATA, this);
}

void CLibcurlClient::applyFileDownloadOptions() {
  long receiveBytes = m_speedCapKib > 0 ? kCappedDownloadReceiveBytes : kFileDownloadReceiveBytes;
  curl_easy_setopt(m_pCurl.get(), CURLOPT_BUFFERSIZE, receiveBytes);
  if (m_speedCapKib > 0) {
    curl_easy_setopt(m_pCurl.get(), CURLOPT_MAX_RECV_SPEED_LARGE, static_cast<curl_off_t>(m_speedCapKib) * 1024);
  }
}

CLibcurlClient::TransferOutcome CLibcurlClient::perform() {
  TransferOutcome outcome;
  outcome.curlCode = curl_easy_perform(m_pCurl.get());
  curl_easy_getinfo(m_pCurl.get(), CURLINFO_RESPONSE_CODE, &outcome.status);
  return outcome;
}

HttpResult CLibcurlClient::resultOf(const TransferOutcome& outcome) const {
  const char* text = curl_easy_strerror(outcome.curlCode);
  const bool successStatus = outcome.status >= 200 && outcome.status < 300;
  long code = static_cast<long>(outcome.curlCode);
  if (outcome.status != 0 && (outcome.curlCode == CURLE_OK || !successStatus)) code = outcome.status;
  if (outcome.curlCode != CURLE_OK || outcome.status != 200) {
    traceLog("curl send msg error: pRes=%s, lResCode=%ld \n", text, code);
  }
  HttpResult result{static_cast<int32_t>(code), text};
  result.transport = outcome.curlCode;
  result.status = outcome.status;
  result.cancelled = outcome.curlCode == CURLE_ABORTED_BY_CALLBACK && cancelRequested();
  return result;
}

HttpResult CLibcurlClient::performAndMakeResult() { return resultOf(perform()); }

HttpResult CLibcurlClient::Get(const std::string& url, std::string& response) {
  if (!m_pCurl) return noHandleResult();
  try {
    CURL* curl = m_pCurl.get();
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    applyCommonOptions();
    installProgressCallback();
    return performIntoResponse(response);
  } catch (...) {
    return exceptionResult();
  }
}

HttpResult CLibcurlClient::Post(const std::string& url, const std::string& body, std::string& response) {
  if (!m_pCurl) return noHandleResult();
  try {
    CURL* curl = m_pCurl.get();
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    addHeader("Content-Type", kFormContentType);
    applyCommonOptions();
    if (!body.empty()) {
      curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
      curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    } else {
      curl_easy_setopt(curl, CURLOPT_POSTFIELDS, kEmptyForm);
      // A size left by an earlier Post of this object would otherwise be
      // applied to the empty text.
      curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, -1L);
    }
    installProgressCallback();
    return performIntoResponse(response);
  } catch (...) {
    return exceptionResult();
  }
}

HttpResult CLibcurlClient::performIntoResponse(std::string& response) {
  CURL* curl = m_pCurl.get();
  if (m_responseLimit == 0) {
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, httpDataWriter);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
    return performAndMakeResult();
  }
  ResponseSink sink;
  sink.body = &response;
  sink.limit = m_responseLimit;
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeToBoundedResponse);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  HttpResult result = performAndMakeResult();
  if (!sink.overLimit) return result;
  response.clear();
  return tooLargeResult("reply", static_cast<int64_t>(m_responseLimit));
}

void CLibcurlClient::renameUntilDone(const std::string& partial, const std::string& target, int32_t sharedCode,
                                     HttpResult& result) {
  // The partial file is closed by now; only another holder can block it.
  for (int attempt = 1; attempt <= kRenameAttempts; ++attempt) {
    if (cancelRequested()) {
      // Left for the next run: the complete partial file (and its side file).
      result.code = CURLE_ABORTED_BY_CALLBACK;
      result.message = curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK);
      result.cancelled = true;
      return;
    }
    if (std::rename(partial.c_str(), target.c_str()) == 0) {
      result.code = 200;
      return;
    }
    const int error = runtimeSystemError();
    if (error == static_cast<int>(kSharingViolation)) {
      ::Sleep(kRenameRetryDelayMs);
      result.code = sharedCode;
    } else {
      result.code = kHttpClientFailed;
    }
    if (attempt == kRenameAttempts) {
      result.message = tavrin::formatBounded(kMessageBufferSize, "rename error lasterror=[%d]", error);
      traceLog("%s", result.message.c_str());
    }
  }
}

HttpResult CLibcurlClient::downloadFile(const std::string& url, const std::string& directory,
                                        const std::string& fileName) {
  int32_t code = kHttpClientFailed;
  try {
    return plainDownload(url, directory, fileName, code);
  } catch (...) {
    std::string message =
        tavrin::formatBounded(kMessageBufferSize, "downloadFile api exception(%d)\n", lastErrorCode());
    traceLog("%s", message.c_str());
    return HttpResult{code, message};
  }
}

HttpResult CLibcurlClient::plainDownload(const std::string& url, const std::string& directory,
                                         const std::string& fileName, int32_t& code) {
  if (!m_pCurl) return noHandleResult();
  m_lastReportedPosition = 0.0;
  code = kHttpClientFailed;
  if (!tavrin::ansiPathExists(directory)) return missingDirectoryResult(directory);

  const std::string target = tavrin::joinPath(directory, fileName);
  const std::string partial = partialFileOf(target);
  removeIfExists(target);
  removeIfExists(partial);

  tavrin::UniqueCFile file(std::fopen(partial.c_str(), "wb"));
  if (!file) {
    std::string message = openFailureMessage(runtimeSystemError(), target);
    traceLog("%s", message.c_str());
    return HttpResult{kHttpClientFailed, message};
  }

  tavrin::Sha256Stream digest;
  DownloadSink sink = downloadSink(m_pCurl.get(), file.get(), m_maxDownloadBytes > 0 ? m_maxDownloadBytes : -1,
                                   m_expectedSha256.empty() ? nullptr : &digest);
  prepareFileTransfer(url, sink, 0);

  HttpResult result = performAndMakeResult();
  // What the system could not write when the file was closed (a full disk)
  // makes the package incomplete, however the transfer ended.
  const bool written = std::fclose(file.release()) == 0;
  if (sink.overLimit) {
    removeIfExists(partial);
    return tooLargeResult("download", m_maxDownloadBytes);
  }
  code = result.code;
  if (code == 200 && !written) {
    code = kHttpClientFailed;
    result.code = code;
    result.message = tavrin::formatBounded(kMessageBufferSize, "downloadFile write file error(%d), %s",
                                           runtimeSystemError(), target.c_str());
  }
  if (code != 200) {
    traceLog("%s", result.message.c_str());
    removeIfExists(partial);
    return result;
  }
  if (!m_expectedSha256.empty() && digest.finishHex() != m_expectedSha256) {
    removeIfExists(partial);
    return digestMismatchResult();
  }
  renameUntilDone(partial, target, kHttpRenameShared, result);
  code = result.code;
  return result;
}

HttpResult CLibcurlClient::downloadFile(const std::string& url, const std::string& directory,
                                        const std::string& fileName, int64_t expectedSize) {
  int32_t code = kHttpClientFailed;
  try {
    return resumableDownload(url, directory, fileName, expectedSize, code);
  } catch (...) {
    std::string message =
        tavrin::formatBounded(kMessageBufferSize, "downloadFile api exception(%d)\n", lastErrorCode());
    traceLog("%s", message.c_str());
    return HttpResult{code, message};
  }
}

HttpResult CLibcurlClient::resumableDownload(const std::string& url, const std::string& directory,
                                             const std::string& fileName, int64_t expectedSize, int32_t& code) {
  if (!m_pCurl) return noHandleResult();
  code = kHttpClientFailed;
  if (!tavrin::ansiPathExists(directory)) return missingDirectoryResult(directory);

  const std::string target = tavrin::joinPath(directory, fileName);
  const std::string partial = partialFileOf(target);
  const std::string sideFile = sideFileOf(target);
  if (isWholePackage(target, expectedSize)) return HttpResult{200, std::string()};
  removeIfExists(target);

  int sideError = 0;
  if (!dropPartialOfAnotherPackage(partial, sideFile, expectedSize, sideError)) {
    return sideFileFailure(sideFile, sideError);
  }
  const int64_t resumeOffset = tavrin::ansiPathExists(partial) ? tavrin::getFileSize(partial) : 0;

  tavrin::UniqueCFile file(std::fopen(partial.c_str(), "ab"));
  if (!file) return HttpResult{kHttpClientFailed, openFailureMessage(runtimeSystemError(), target)};

  // The digest covers the whole package: a continued partial file is hashed
  // from its first byte before the rest arrives.
  tavrin::Sha256Stream digest;
  if (!m_expectedSha256.empty()) digest.updateFromFile(partial, resumeOffset);
  // Never more than the package's size is written.
  DownloadSink sink = downloadSink(m_pCurl.get(), file.get(), expectedSize - resumeOffset,
                                   m_expectedSha256.empty() ? nullptr : &digest);
  prepareFileTransfer(url, sink, resumeOffset);
  if (!writeSideFile(sideFile, expectedSize, sideError)) return sideFileFailure(sideFile, sideError);

  const TransferOutcome outcome = perform();
  HttpResult result = resultOf(outcome);
  file.reset();
  if (sink.overLimit) {
    // A server that sends more than it announced is not continued from.
    removeIfExists(partial);
    removeIfExists(sideFile);
    return tooLargeResult("download", expectedSize);
  }
  if (outcome.curlCode == CURLE_RANGE_ERROR && resumeOffset > 0) {
    // The server answers a range with the whole package: the partial file
    // could never be continued, so the package is fetched from its start.
    removeIfExists(partial);
    removeIfExists(sideFile);
    return resumableDownload(url, directory, fileName, expectedSize, code);
  }
  result = settleResumable(target, expectedSize, resumeOffset, outcome.status, digest, result);
  code = result.code;
  return result;
}

// The expected size makes a transfer complete only when what it wrote is
// package bytes: after a 200 or 206, or when an error reply (a 416 for a
// partial file that was already whole) added nothing, as error replies never
// do. An error page that has the package's length is not a package.
HttpResult CLibcurlClient::settleResumable(const std::string& target, int64_t expectedSize, int64_t resumeOffset,
                                           long status, Sha256Stream& digest, HttpResult result) {
  const std::string partial = partialFileOf(target);
  const std::string sideFile = sideFileOf(target);
  const int64_t measured = tavrin::getFileSize(partial);
  const bool packageStatus = status == 200 || status == 206;
  const bool complete = measured == expectedSize && (packageStatus || measured == resumeOffset);
  if (!complete && !packageStatus) {
    traceLog("%s", result.message.c_str());
    removeIfExists(partial);  // the side file stays
    return result;
  }
  if (!complete) {
    // Cut short, stopped or cancelled: partial and side file stay for the next attempt.
    result.code = kHttpDownloadShort;
    result.message = ansiFromUtf8(kServerBrokeOffUtf8);
    return result;
  }
  if (!m_expectedSha256.empty() && digest.finishHex() != m_expectedSha256) {
    removeIfExists(partial);
    removeIfExists(sideFile);
    return digestMismatchResult();
  }
  result.code = 200;
  renameUntilDone(partial, target, kHttpResumeRenameShared, result);
  return result;
}

// A complete earlier download needs no transfer. What decides is the size of
// the target itself (and its digest, when one is asked for): the partial file
// is gone once it has been renamed, and such a target is exactly what a caller
// wants.
bool CLibcurlClient::isWholePackage(const std::string& target, int64_t expectedSize) const {
  return tavrin::ansiPathExists(target) && tavrin::getFileSize(target) == expectedSize &&
         (m_expectedSha256.empty() || tavrin::sha256OfFile(target) == m_expectedSha256);
}

void CLibcurlClient::prepareFileTransfer(const std::string& url, DownloadSink& sink, int64_t resumeOffset) {
  CURL* curl = m_pCurl.get();
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  applyCommonOptions();
  curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeOffset));
  m_resumeBase = resumeOffset;
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeToDownload);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  applyFileDownloadOptions();
  installProgressCallback();
}

int CLibcurlClient::downloadProgress(void* client, double downloadTotal, double downloadNow, double, double) {
  auto* self = static_cast<CLibcurlClient*>(client);
  return self == nullptr ? 0 : self->reportProgress(downloadTotal, downloadNow);
}

int CLibcurlClient::reportProgress(double downloadTotal, double downloadNow) {
  if (cancelRequested()) return kAbortTransfer;
  if (m_observer == nullptr) return 0;
  long status = 0;
  curl_easy_getinfo(m_pCurl.get(), CURLINFO_RESPONSE_CODE, &status);
  if (status >= 301 && status <= 305) return 0;

  uint32_t now = ::GetTickCount();
  m_knownTotal = static_cast<int64_t>(downloadTotal);
  if (m_knownTotal > 0) {
    downloadNow += static_cast<double>(m_resumeBase);
    downloadTotal += static_cast<double>(m_resumeBase);
    m_knownTotal = static_cast<int64_t>(downloadTotal);
  }
  if (now - m_lastReportTime >= kProgressIntervalMs && m_knownTotal > 0) {
    m_lastReportTime = now;
    try {
      m_observer->onProgress(1, m_taskNumber, downloadTotal, downloadNow, m_lastReportedPosition);
    } catch (...) {
      // An observer's failure must not unwind through libcurl.
    }
    m_lastReportedPosition = downloadNow;
  }
  return 0;
}

size_t httpDataWriter(char* data, size_t size, size_t count, void* userData) {
  if (userData == nullptr) {
    traceLog("ClusterCurl httpDataWriter data error(%d) \n", lastErrorCode());
    return 0;
  }
  size_t bytes = size * count;
  try {
    static_cast<std::string*>(userData)->append(data, bytes);
  } catch (...) {
    return 0;  // libcurl aborts the transfer
  }
  return bytes;
}

size_t httpHeaderReader(char* data, size_t size, size_t count, void* info) {
  size_t bytes = size * count;
  auto* remote = static_cast<RemoteFileInfo*>(info);
  if (remote == nullptr) return bytes;
  try {
    int64_t length = 0;
    if (scanContentLengthLine(data, bytes, length)) remote->contentLength = length;
    std::string name;
    if (scanFileNameLine(data, bytes, name)) remote->fileName = name;
    remote->rawHeaders.append(data, bytes);
  } catch (...) {
    return 0;
  }
  return bytes;
}

namespace {

// One pre-flight request on a handle of its own. With `headOnly` it is a
// HEAD request; otherwise a GET whose transfer ends with the final header
// block. Header lines are not copied into the body stream: the header
// callback sees every one of them anyway (of every response of a redirect
// chain, each scanned by httpHeaderReader).
CURLcode performPreflight(const std::string& url, const std::string& proxy, bool headOnly, PreflightHeaders& headers,
                          const CancelToken* cancel, long& status) {
  status = 0;
  tavrin::UniqueCurl curl(curl_easy_init());
  if (!curl) return CURLE_FAILED_INIT;
  CURL* handle = curl.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kPreflightConnectTimeoutSeconds);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, kPreflightTimeoutSeconds);
  if (!proxy.empty()) {
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(handle, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    curl_easy_setopt(handle, CURLOPT_HTTPPROXYTUNNEL, 1L);
  }
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
  if (headOnly) curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(handle, CURLOPT_HEADER, 0L);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, readPreflightHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &headers);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, stopAtFirstBodyByte);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_PROGRESSFUNCTION, preflightProgress);
  curl_easy_setopt(handle, CURLOPT_PROGRESSDATA, const_cast<CancelToken*>(cancel));
  CURLcode result = curl_easy_perform(handle);
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  return result;
}

}  // namespace

// The package itself is never fetched here. A HEAD request asks for the
// header lines alone; a server that does not answer it with a length is
// asked with a GET that ends with the final header block (what a server has already
// pushed into the connection by then is dropped with it).
HttpResult getWithLimit(const std::string& url, std::string& body, size_t limit, const CancelToken* cancel) {
  CLibcurlClient client;
  client.setResponseLimit(limit);
  client.setCancelToken(cancel);
  return client.Get(url, body);
}

bool getRemoteFileInfo(const std::string& url, int64_t& size, std::string& fileName, const std::string& proxy,
                       const CancelToken* cancel) {
  try {
    PreflightHeaders headers;
    long status = 0;
    CURLcode result = performPreflight(url, proxy, true, headers, cancel, status);
    // Only a successful HEAD answer speaks for the package: a refusal (405
    // and the like) may carry the length of its own error text.
    const bool headAnswered = status >= 200 && status < 300 && headers.info.contentLength > 0;
    if (!headAnswered && !isCancelled(cancel)) {
      headers = PreflightHeaders();
      result = performPreflight(url, proxy, false, headers, cancel, status);
    }
    const RemoteFileInfo& info = headers.info;

    // Only the header lines decide, however the transfer ended after them.
    bool found = info.contentLength > 0;
    if (found) {
      size = info.contentLength;
      if (!info.fileName.empty()) {
        fileName = info.fileName;
      } else {
        quotedFileNameInHeaders(info.rawHeaders, fileName);
      }
    } else {
      size = 0;
      traceLog("curl send msg error: pRes=%s, lResCode=%ld \n", curl_easy_strerror(result), status);
    }
    if (fileName.empty()) fileName = fileNameFromUrl(url);
    return found;
  } catch (...) {
    size = 0;
    return false;
  }
}

}  // namespace tavrin
