#include "transfer_cancel.h"

namespace tavrin {

std::atomic<char>& runCancelFlag() {
  static std::atomic<char> flag{0};
  return flag;
}

}  // namespace tavrin
