// Synchronous HTTP requests over WinHTTP for the uninstall report:
// CHttpClientSyn does the transfer, a derived class supplies the body and
// headers; CHttpTransByPost posts a form body.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>
#include <utility>
#include <vector>

#include "winhttp_handles.h"

namespace tavrin::uninst {

using FormParams = std::vector<std::pair<std::wstring, std::wstring>>;

// Set as the thread's last error when a response is read but none is stored.
constexpr DWORD kErrorNoResponseStored = 12172;

class CHttpClientSyn {
 public:
  static constexpr int kModePost = 1;
  // The reply only tells that the request ended: at most this much of it is
  // read and kept; the rest is never read, and the connection is closed.
  static constexpr DWORD kResponseLimitBytes = 64 * 1024;

  CHttpClientSyn() = default;
  virtual ~CHttpClientSyn() = default;
  CHttpClientSyn(const CHttpClientSyn&) = delete;
  CHttpClientSyn& operator=(const CHttpClientSyn&) = delete;

  // Length in bytes of the body that ReadBody streams.
  virtual DWORD GetBodyLength() = 0;
  // Copies the next chunk of the body; true while more remains.
  virtual bool ReadBody(char* buffer, DWORD capacity, DWORD* count) = 0;
  virtual bool AddHeaders(HINTERNET request) = 0;
  // Appends the object's own form parameters to `list`.
  virtual void CollectParams(FormParams& list) = 0;
  // key=value pairs joined by "&", in list order, not percent-encoded.
  virtual std::wstring BuildForm(const FormParams& list) = 0;

  // Sends the request (mode 1: POST with the verb "Post") and stores the
  // response body, its first kResponseLimitBytes at most. True when the
  // request was sent; the HTTP status is not looked at.
  bool Request(const std::wstring& url, int mode);

  // Copies the stored response into `buffer`. Fails with the thread's last
  // error set: kErrorNoResponseStored, ERROR_INVALID_ADDRESS for a null
  // buffer, ERROR_INSUFFICIENT_BUFFER with the needed size in `needed`. On
  // success the handles are closed and the stored body is freed.
  bool ReadResponse(char* buffer, DWORD size, DWORD* needed);

 protected:
  static std::wstring JoinForm(const FormParams& list);
  FormParams m_params;

 private:
  bool Open(const std::wstring& url);
  bool Send();
  void Receive();
  void CloseHandles();

  tavrin::UniqueInternetHandle m_session;
  tavrin::UniqueInternetHandle m_connection;
  tavrin::UniqueInternetHandle m_request;
  int m_scheme = 0;
  std::vector<char> m_response;  // empty: nothing stored
  std::wstring m_path;
};

class CHttpTransByPost : public CHttpClientSyn {
 public:
  // The body is borrowed and must outlive the object.
  CHttpTransByPost(const char* body, DWORD bodyLength) : m_body(body), m_bodyLength(bodyLength) {}

  DWORD GetBodyLength() override { return m_bodyLength; }
  bool ReadBody(char* buffer, DWORD capacity, DWORD* count) override;
  bool AddHeaders(HINTERNET request) override;
  void CollectParams(FormParams& list) override;
  std::wstring BuildForm(const FormParams& list) override { return JoinForm(list); }

  void AddParam(const std::wstring& key, const std::wstring& value) { m_ownParams.emplace_back(key, value); }

 private:
  FormParams m_ownParams;
  const char* m_body;
  DWORD m_bodyLength;
  DWORD m_readOffset = 0;
};

}  // namespace tavrin::uninst
