// The uninstaller's locks: LockHelper (with a scoped guard) for the log
// queue, MyLock::CMutex for the report's request layer. Both wrap one
// critical section that lives as long as the object.
#pragma once

#include <windows.h>

namespace tavrin::uninst {

class LockHelper {
 public:
  LockHelper();
  virtual ~LockHelper();
  LockHelper(const LockHelper&) = delete;
  LockHelper& operator=(const LockHelper&) = delete;

  void Enter();
  void Leave();

 private:
  CRITICAL_SECTION m_section;
};

// Holds a LockHelper from construction to the end of the scope.
class ScopedLock {
 public:
  explicit ScopedLock(LockHelper& lock) : m_lock(lock) { m_lock.Enter(); }
  ~ScopedLock() { m_lock.Leave(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  LockHelper& m_lock;
};

}  // namespace tavrin::uninst

namespace MyLock {

class CMutex {
 public:
  CMutex();
  ~CMutex();
  CMutex(const CMutex&) = delete;
  CMutex& operator=(const CMutex&) = delete;

  virtual void Lock();
  virtual void Unlock();

 private:
  CRITICAL_SECTION m_section;
};

// Holds a CMutex from construction to the end of the scope.
class CAutoLock {
 public:
  explicit CAutoLock(CMutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
  ~CAutoLock() { m_mutex.Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

 private:
  CMutex& m_mutex;
};

}  // namespace MyLock
