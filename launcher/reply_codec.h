#pragma once

#include <cstddef>
#include <string>

namespace tavrin {

// Reply bodies of the update check and the settings request above this size
// are refused as they arrive.
constexpr std::size_t kMaxReplyBytes = 1024 * 1024;

// Protected replies of the configuration service: Base64 text of a 128-byte
// RSA block made with the service's private key, followed by the payload in
// AES-128-CBC under the fixed IV. The block carries 64 bytes: the AES key
// (16), the SHA-256 of the ciphertext (32) and the nonce of the request the
// reply answers (16). The key alone would prove nothing: anyone holding the
// public key reads it out of any genuine reply. The digest binds the payload
// to the block, the nonce binds the reply to one request.

// What the reply is checked against.
struct ReplyBinding {
  std::string nonce;          // the 16 bytes the request carried; empty: not known (a stored reply)
  bool acceptLegacy = false;  // the older form, a block with the 16-byte key alone, is taken too
};

enum class ReplyVerdict {
  Accepted,
  NotProtected,      // too short, not Base64, or the block was not made with the service key
  LegacyForm,        // the older 16-byte form, which this build does not take
  WrongContentSize,  // a block of neither form
  DigestMismatch,    // the payload is not the one the block was made for
  StaleNonce,        // made for another request
  Undecryptable,     // the payload does not decrypt under the carried key
};

struct DecodedReply {
  ReplyVerdict verdict = ReplyVerdict::NotProtected;
  std::string payload;  // only when accepted
  bool accepted() const { return verdict == ReplyVerdict::Accepted; }
};

// Verifies and decrypts a reply with the given PEM public key.
DecodedReply decodeReplyWithKey(const std::string& text, const ReplyBinding& binding, const std::string& publicKeyPem);
// The same with the embedded public key.
DecodedReply decodeReply(const std::string& text, const ReplyBinding& binding);

// The binding of a reply to the request that carried `nonce` (empty for a
// stored reply), with this build's stance on the older form.
ReplyBinding bindingFor(const std::string& nonce);

// Why a reply was refused, for the diagnostic line ("forged or unbound: ...").
const char* describeRefusal(ReplyVerdict verdict);

}  // namespace tavrin
