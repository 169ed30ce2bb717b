// The forms in which the service sends a protected reply: bound to the
// request's nonce (what the launcher accepts), or one of the wrong forms a
// fault asks for.
#pragma once

#include "fault_rules.h"

#include <string>

enum class ReplyForm {
  None,         // the body is no reply at all (an error text, a redirect, a fault's body)
  Null,         // "null"
  Bound,        // key || SHA-256 of the ciphertext || the request's nonce
  Legacy,       // the key alone
  StaleNonce,   // bound, but to another nonce than the request's
  WrongDigest,  // bound to the request's nonce, with a digest that does not match
  WrongKey,     // signed with the other key (in whichever form the other faults choose)
};

// The log's "reply_form" text; nullptr for None.
const char* replyFormName(ReplyForm form);

// The form the fault's reply faults choose, ignoring the signing key:
// legacy_reply before wrong_digest before stale_nonce, else bound.
ReplyForm contentFormOf(const Fault& fault);

// A reply of the form (Bound, Legacy, StaleNonce or WrongDigest) to the
// request whose nonce is `requestNonce` (16 bytes), under a fresh random
// symmetric key; empty on failure.
std::string makeReplyOfForm(ReplyForm form, const std::string& plaintext, const std::string& privateKeyPem,
                            const std::string& requestNonce);

// What went out once the content faults are applied: "null" under reply_null,
// no reply when a redirect or a fault's body replaced it.
ReplyForm formAfterContentFault(ReplyForm made, const Fault& fault);
