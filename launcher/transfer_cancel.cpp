#include "transfer_cancel.h"

std::atomic<char>& runCancelFlag() {
  static std::atomic<char> flag{0};
  return flag;
}
