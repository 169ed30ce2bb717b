#include "reply_forms.h"

#include "protected_reply.h"

namespace {

constexpr size_t kDigestSize = 32;

// 16 fresh random bytes other than `nonce`, as a reply made for an earlier
// request would carry.
std::string otherNonceThan(const std::string& nonce) {
  std::string other = makeRandomSymmetricKey();
  if (!other.empty() && other == nonce) other[0] = static_cast<char>(other[0] ^ 1);
  return other;
}

// SHA-256 of the payload's ciphertext with its first byte changed.
std::string mismatchedDigest(const std::string& plaintext, const std::string& symmetricKey) {
  std::string ciphertext = encryptReplyPayload(plaintext, symmetricKey);
  if (ciphertext.empty()) return {};
  ciphertext[0] = static_cast<char>(ciphertext[0] ^ 1);
  return sha256Bytes(ciphertext);
}

std::string makeWrongDigestReply(const std::string& plaintext, const std::string& privateKeyPem,
                                 const std::string& symmetricKey, const std::string& requestNonce) {
  const std::string digest = mismatchedDigest(plaintext, symmetricKey);
  if (digest.size() != kDigestSize || requestNonce.size() != kReplyNonceSize) return {};
  return makeReplyWithContent(plaintext, privateKeyPem, symmetricKey + digest + requestNonce);
}

}  // namespace

const char* replyFormName(ReplyForm form) {
  switch (form) {
    case ReplyForm::None:
      return nullptr;
    case ReplyForm::Null:
      return "null";
    case ReplyForm::Bound:
      return "bound";
    case ReplyForm::Legacy:
      return "legacy";
    case ReplyForm::StaleNonce:
      return "stale_nonce";
    case ReplyForm::WrongDigest:
      return "wrong_digest";
    case ReplyForm::WrongKey:
      return "wrong_key";
  }
  return nullptr;
}

ReplyForm contentFormOf(const Fault& fault) {
  if (fault.legacyReply) return ReplyForm::Legacy;
  if (fault.wrongDigest) return ReplyForm::WrongDigest;
  if (fault.staleNonce) return ReplyForm::StaleNonce;
  return ReplyForm::Bound;
}

std::string makeReplyOfForm(ReplyForm form, const std::string& plaintext, const std::string& privateKeyPem,
                            const std::string& requestNonce) {
  const std::string symmetricKey = makeRandomSymmetricKey();
  if (symmetricKey.empty()) return {};
  switch (form) {
    case ReplyForm::Bound:
      return makeBoundReply(plaintext, privateKeyPem, symmetricKey, requestNonce);
    case ReplyForm::Legacy:
      return makeProtectedReply(plaintext, privateKeyPem, symmetricKey);
    case ReplyForm::StaleNonce: {
      const std::string staleNonce = otherNonceThan(requestNonce);
      if (staleNonce.empty()) return {};
      return makeBoundReply(plaintext, privateKeyPem, symmetricKey, staleNonce);
    }
    case ReplyForm::WrongDigest:
      return makeWrongDigestReply(plaintext, privateKeyPem, symmetricKey, requestNonce);
    default:
      return {};
  }
}

ReplyForm formAfterContentFault(ReplyForm made, const Fault& fault) {
  if (fault.redirect) return ReplyForm::None;
  if (fault.replyNull) return ReplyForm::Null;
  if (fault.body) return ReplyForm::None;
  return made;
}
