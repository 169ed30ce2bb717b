#include "thread_start.h"

#include <process.h>

namespace tavrin {

UniqueHandle startThread(ThreadEntry entry, void* param, ThreadStart start) {
  const unsigned flags = start == ThreadStart::Suspended ? CREATE_SUSPENDED : 0;
  return UniqueHandle(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, entry, param, flags, nullptr)));
}

}  // namespace tavrin
