#include "single_instance.h"

#include "handles.h"
#include "install_values.h"

namespace tavrin::uninst {

const wchar_t kInstanceMutexName[] = L"{9D262DEC-07BD-46A8-8681-D896DBDF9879}";

namespace {

// The instance mutex stays open as long as the process lives.
tavrin::UniqueHandle& InstanceMutex() {
  static tavrin::UniqueHandle mutex;
  return mutex;
}

}  // namespace

void SendActivateRequest(HWND window) {
  COPYDATASTRUCT request = {};  // dwData, cbData and lpData all 0
  ::SendMessageW(window, WM_COPYDATA, kActivateRequest, reinterpret_cast<LPARAM>(&request));
}

bool IsAnotherInstanceRunning() {
  HANDLE created = ::CreateMutexW(nullptr, TRUE, kInstanceMutexName);
  const bool alreadyExists = ::GetLastError() == ERROR_ALREADY_EXISTS;
  tavrin::UniqueHandle& mutex = InstanceMutex();
  mutex.reset(created);
  if (alreadyExists) {
    HWND first = ::FindWindowW(nullptr, UninstWindowTitle().c_str());
    if (first != nullptr) SendActivateRequest(first);
  }
  if (mutex) ::ReleaseMutex(mutex.get());
  return alreadyExists;
}

}  // namespace tavrin::uninst
