#include "legacy_replies.h"

namespace tavrin {

bool acceptsLegacyReplies() {
#if defined(TAVRIN_ACCEPT_LEGACY_REPLIES) && TAVRIN_ACCEPT_LEGACY_REPLIES
  return true;
#else
  return false;
#endif
}

}  // namespace tavrin
