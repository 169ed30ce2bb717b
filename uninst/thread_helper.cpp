#include "thread_helper.h"

namespace tavrin::uninst {

unsigned __stdcall ThreadHelper::ThreadStart(void* param) {
  if (param != nullptr) static_cast<ThreadHelper*>(param)->Run();
  return 0;
}

}  // namespace tavrin::uninst
