#pragma once

namespace tavrin {

// True in a build configured with -DTAVRIN_ACCEPT_LEGACY_REPLIES=ON: the
// launcher then also takes replies in the older form (an RSA block carrying
// the key alone) and update offers without a digest, for a deployment whose
// service is upgraded later. Bound replies are checked in full either way.
bool acceptsLegacyReplies();

}  // namespace tavrin
