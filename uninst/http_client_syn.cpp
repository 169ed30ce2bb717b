#include "http_client_syn.h"

#include <algorithm>
#include <cstring>

#include "text_convert.h"

namespace tavrin::uninst {

namespace {

constexpr DWORD kUrlPartChars = 1024;
constexpr int kTimeoutMs = 60000;
constexpr DWORD kBodyChunkBytes = 1024;
constexpr DWORD kResponseChunkBytes = 8 * 1024;
constexpr wchar_t kPostVerb[] = L"Post";
constexpr wchar_t kFormHeader[] = L"Content-type: application/x-www-form-urlencoded\r\n";
// Unknown authority, wrong name, expired: the report does not care.
constexpr DWORD kIgnoredCertificateProblems = 0x3100;

}  // namespace

std::wstring CHttpClientSyn::JoinForm(const FormParams& list) {
  std::wstring form;
  for (const auto& param : list) {
    if (!form.empty()) form += L"&";
    form += param.first + L"=" + param.second;
  }
  return form;
}

bool CHttpClientSyn::Open(const std::wstring& url) {
  wchar_t host[kUrlPartChars] = {};
  wchar_t path[kUrlPartChars] = {};
  wchar_t extra[kUrlPartChars] = {};
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = kUrlPartChars;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = kUrlPartChars;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = kUrlPartChars;
  if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return false;
  m_scheme = parts.nScheme;

  m_session.reset(
      ::WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!m_session) return false;
  if (!::WinHttpSetTimeouts(m_session.get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs)) return false;
  m_connection.reset(::WinHttpConnect(m_session.get(), host, parts.nPort, 0));
  if (!m_connection) return false;
  m_path = std::wstring(path) + extra;
  return true;
}

bool CHttpClientSyn::Send() {
  DWORD flags = m_scheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  m_request.reset(::WinHttpOpenRequest(m_connection.get(), kPostVerb, m_path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                       WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!m_request) return false;
  AddHeaders(m_request.get());

  FormParams params = m_params;
  CollectParams(params);
  std::string form = tavrin::wideToUtf8(BuildForm(params));

  if (m_scheme == INTERNET_SCHEME_HTTPS) {
    DWORD security = 0;
    DWORD size = sizeof(security);
    ::WinHttpQueryOption(m_request.get(), WINHTTP_OPTION_SECURITY_FLAGS, &security, &size);
    security |= kIgnoredCertificateProblems;
    ::WinHttpSetOption(m_request.get(), WINHTTP_OPTION_SECURITY_FLAGS, &security, sizeof(security));
  }

  DWORD total = static_cast<DWORD>(form.size()) + GetBodyLength();
  if (!::WinHttpSendRequest(m_request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, total, 0)) {
    return false;
  }
  DWORD written = 0;
  if (!form.empty() && !::WinHttpWriteData(m_request.get(), form.data(), static_cast<DWORD>(form.size()), &written)) {
    return false;
  }
  for (;;) {
    char chunk[kBodyChunkBytes] = {};
    DWORD count = 0;
    bool more = ReadBody(chunk, kBodyChunkBytes, &count);
    if (count > 0 && !::WinHttpWriteData(m_request.get(), chunk, count, &written)) break;
    if (!more) break;
  }
  return true;
}

void CHttpClientSyn::Receive() {
  m_response.clear();
  if (!::WinHttpReceiveResponse(m_request.get(), nullptr)) return;
  std::vector<char> received;
  char chunk[kResponseChunkBytes];
  while (received.size() < kResponseLimitBytes) {
    DWORD available = 0;
    if (!::WinHttpQueryDataAvailable(m_request.get(), &available)) return;  // nothing kept
    if (available == 0) break;
    DWORD room = kResponseLimitBytes - static_cast<DWORD>(received.size());
    DWORD wanted = std::min({available, room, kResponseChunkBytes});
    DWORD read = 0;
    if (!::WinHttpReadData(m_request.get(), chunk, wanted, &read)) return;
    if (read == 0) break;
    received.insert(received.end(), chunk, chunk + read);
  }
  m_response.swap(received);
}

void CHttpClientSyn::CloseHandles() {
  m_request.reset();
  m_connection.reset();
  m_session.reset();
}

bool CHttpClientSyn::Request(const std::wstring& url, int mode) {
  if (mode != kModePost) return false;
  bool sent = Open(url) && Send();
  if (sent) Receive();
  CloseHandles();
  return sent;
}

bool CHttpClientSyn::ReadResponse(char* buffer, DWORD size, DWORD* needed) {
  if (m_response.empty()) {
    ::SetLastError(kErrorNoResponseStored);
    return false;
  }
  if (buffer == nullptr) {
    ::SetLastError(ERROR_INVALID_ADDRESS);
    return false;
  }
  DWORD length = static_cast<DWORD>(m_response.size());
  if (needed != nullptr) *needed = length;
  if (size < length) {
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  std::memcpy(buffer, m_response.data(), length);
  CloseHandles();
  std::vector<char>().swap(m_response);
  return true;
}

bool CHttpTransByPost::ReadBody(char* buffer, DWORD capacity, DWORD* count) {
  DWORD remaining = m_bodyLength - m_readOffset;
  bool more = remaining > capacity;
  DWORD chunk = std::min(capacity, remaining);
  if (chunk > 0) std::memcpy(buffer, m_body + m_readOffset, chunk);
  m_readOffset += chunk;
  if (count != nullptr) *count = chunk;
  return more;
}

bool CHttpTransByPost::AddHeaders(HINTERNET request) {
  return ::WinHttpAddRequestHeaders(request, kFormHeader, static_cast<DWORD>(wcslen(kFormHeader)),
                                    WINHTTP_ADDREQ_FLAG_ADD) != FALSE;
}

void CHttpTransByPost::CollectParams(FormParams& list) {
  list.insert(list.end(), m_ownParams.begin(), m_ownParams.end());
}

}  // namespace tavrin::uninst
