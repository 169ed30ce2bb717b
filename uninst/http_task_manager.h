// One thread per HTTP request, each announcing its end to a window with
// WM_HTTP_DONE (wParam: an HttpResponseRecord owned by the receiver).
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>

#include "handles.h"

namespace tavrin::uninst {

constexpr UINT WM_HTTP_DONE = WM_USER + 1002;  // 2026

// What one request thread hands back.
struct HttpResponseRecord {
  std::string response;  // the body received, empty when nothing came
  int id = 0;
  int userValue = 0;
};

// One request, owned by its thread.
struct HttpTask {
  std::string url;
  std::string body;
  int id = 0;
  int method = 0;  // 0: POST
  int userValue = 0;
  HWND notifyWindow = nullptr;
};

class HttpTaskManager {
 public:
  // The single manager, created on first use.
  static HttpTaskManager& Instance();

  // Starts a request thread posting `body` to `url`; returns the request's
  // id (1 for the first request), or -1 when no thread could be started.
  int PostAsync(const std::string& url, const std::string& body, HWND notifyWindow, int userValue);

  // Number of request threads still running.
  size_t RunningRequests();

  // The receiver takes the record of one WM_HTTP_DONE message over.
  static std::unique_ptr<HttpResponseRecord> AdoptResponseRecord(WPARAM wParam);

 private:
  HttpTaskManager() = default;
  static unsigned __stdcall RequestThread(void* param);
  void ForgetThread(int id);

  int m_requestCounter = 0;
  std::map<int, tavrin::UniqueHandle> m_threads;  // guarded by the table lock
};

}  // namespace tavrin::uninst
