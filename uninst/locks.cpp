#include "locks.h"

namespace tavrin::uninst {

LockHelper::LockHelper() { ::InitializeCriticalSection(&m_section); }
LockHelper::~LockHelper() { ::DeleteCriticalSection(&m_section); }
void LockHelper::Enter() { ::EnterCriticalSection(&m_section); }
void LockHelper::Leave() { ::LeaveCriticalSection(&m_section); }

}  // namespace tavrin::uninst

namespace MyLock {

CMutex::CMutex() { ::InitializeCriticalSection(&m_section); }
CMutex::~CMutex() { ::DeleteCriticalSection(&m_section); }
void CMutex::Lock() { ::EnterCriticalSection(&m_section); }
void CMutex::Unlock() { ::LeaveCriticalSection(&m_section); }

}  // namespace MyLock
