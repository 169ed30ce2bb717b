#include "http_task_manager.h"

#include <utility>

#include "http_client_syn.h"
#include "locks.h"
#include "text_convert.h"
#include "thread_start.h"

namespace tavrin::uninst {

namespace {

MyLock::CMutex g_creationLock;
MyLock::CMutex g_threadTableLock;
std::atomic<HttpTaskManager*> g_manager{nullptr};

std::string TakeResponse(CHttpClientSyn& client) {
  DWORD needed = 0;
  char probe = 0;
  if (client.ReadResponse(&probe, 0, &needed)) return std::string();
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return std::string();
  std::string response(needed, '\0');
  if (!client.ReadResponse(&response[0], needed, &needed)) return std::string();
  return response;
}

void NotifyDone(HWND window, std::unique_ptr<HttpResponseRecord> record) {
  // Without a window the record would land in this ending thread's queue.
  if (window == nullptr) return;
  if (::PostMessageW(window, WM_HTTP_DONE, reinterpret_cast<WPARAM>(record.get()), 0)) record.release();
}

}  // namespace

HttpTaskManager& HttpTaskManager::Instance() {
  HttpTaskManager* manager = g_manager.load();
  if (manager == nullptr) {
    MyLock::CAutoLock guard(g_creationLock);
    manager = g_manager.load();
    if (manager == nullptr) {
      // Lives until the process ends: request threads may still use it then.
      manager = new HttpTaskManager();
      g_manager.store(manager);
    }
  }
  return *manager;
}

int HttpTaskManager::PostAsync(const std::string& url, const std::string& body, HWND notifyWindow, int userValue) {
  ++m_requestCounter;
  auto task = std::make_unique<HttpTask>();
  task->url = url;
  task->body = body;
  task->id = m_requestCounter;
  task->method = 0;
  task->userValue = userValue;
  task->notifyWindow = notifyWindow;

  tavrin::UniqueHandle thread =
      tavrin::startThread(&HttpTaskManager::RequestThread, task.get(), tavrin::ThreadStart::Suspended);
  if (!thread) return -1;
  task.release();  // the thread owns it now
  const HANDLE started = thread.get();
  {
    MyLock::CAutoLock guard(g_threadTableLock);
    m_threads[m_requestCounter] = std::move(thread);
  }
  ::ResumeThread(started);
  return m_requestCounter;
}

size_t HttpTaskManager::RunningRequests() {
  MyLock::CAutoLock guard(g_threadTableLock);
  return m_threads.size();
}

std::unique_ptr<HttpResponseRecord> HttpTaskManager::AdoptResponseRecord(WPARAM wParam) {
  return std::unique_ptr<HttpResponseRecord>(reinterpret_cast<HttpResponseRecord*>(wParam));
}

void HttpTaskManager::ForgetThread(int id) {
  tavrin::UniqueHandle thread;
  {
    MyLock::CAutoLock guard(g_threadTableLock);
    auto entry = m_threads.find(id);
    if (entry != m_threads.end()) {
      thread = std::move(entry->second);
      m_threads.erase(entry);
    }
  }
  // The handle closes here, outside the lock.
}

unsigned __stdcall HttpTaskManager::RequestThread(void* param) {
  if (param == nullptr) return 0;
  std::unique_ptr<HttpTask> task(static_cast<HttpTask*>(param));

  CHttpTransByPost client(task->body.data(), static_cast<DWORD>(task->body.size()));
  std::string response;
  if (client.Request(tavrin::ansiToWide(task->url), CHttpClientSyn::kModePost)) response = TakeResponse(client);

  auto record = std::make_unique<HttpResponseRecord>();
  record->response = std::move(response);
  record->id = task->id;
  record->userValue = task->userValue;
  NotifyDone(task->notifyWindow, std::move(record));

  Instance().ForgetThread(task->id);
  return 0;
}

}  // namespace tavrin::uninst
