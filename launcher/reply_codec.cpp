// The 1.0-style RSA calls used here are deprecated in OpenSSL 3.0 but still
// provided; keep the build free of their deprecation warnings.
#ifndef OPENSSL_SUPPRESS_DEPRECATED
#define OPENSSL_SUPPRESS_DEPRECATED
#endif

#include "crypto_support.h"
#include "reply_codec.h"

#include "base64.h"
#include "embedded_public_key.h"
#include "legacy_replies.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <climits>
#include <cstddef>
#include <memory>
#include <vector>

namespace tavrin {

namespace {

const std::size_t kRsaBlockSize = 128;
const unsigned char kInitialisationVector[16] = {'5', '8', '0', '2', '9', '1', '7', '3',
                                                 '6', '4', '0', '2', '8', '5', '1', '3'};

const unsigned char* bytesOf(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

std::string trimReplyWhiteSpace(const std::string& text) {
  const char* const whiteSpace = "\t\n\r ";
  const std::size_t first = text.find_first_not_of(whiteSpace);
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(whiteSpace);
  return text.substr(first, last - first + 1);
}

RsaOwner readPublicKey(const std::string& publicKeyPem) {
  if (publicKeyPem.size() > static_cast<std::size_t>(INT_MAX)) return RsaOwner();
  BioOwner bio(BIO_new_mem_buf(publicKeyPem.data(), static_cast<int>(publicKeyPem.size())));
  if (!bio) return RsaOwner();
  return RsaOwner(PEM_read_bio_RSA_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
}

// The content of the RSA block, or empty when the block was not made with the
// private key that matches publicKeyPem.
std::string retrieveSymmetricKey(const std::string& rsaBlock, const std::string& publicKeyPem) {
  const RsaOwner rsa = readPublicKey(publicKeyPem);
  if (!rsa) return std::string();

  const int modulusSize = RSA_size(rsa.get());
  if (modulusSize <= 0) return std::string();
  std::vector<unsigned char> content(static_cast<std::size_t>(modulusSize), 0);

  const int contentLength = RSA_public_decrypt(static_cast<int>(rsaBlock.size()), bytesOf(rsaBlock), content.data(),
                                               rsa.get(), RSA_PKCS1_PADDING);
  if (contentLength < 0) return std::string();
  return std::string(reinterpret_cast<const char*>(content.data()), static_cast<std::size_t>(contentLength));
}

const EVP_CIPHER* payloadCipher() { return EVP_aes_128_cbc(); }

std::string decryptPayload(const std::string& ciphertext, const std::string& symmetricKey) {
  const EVP_CIPHER* cipher = payloadCipher();
  const int keyLength = EVP_CIPHER_key_length(cipher);
  if (keyLength <= 0 || symmetricKey.size() < static_cast<std::size_t>(keyLength)) return std::string();
  if (ciphertext.size() > static_cast<std::size_t>(INT_MAX) - symmetricKey.size()) return std::string();

  std::vector<unsigned char> plaintext(ciphertext.size() + symmetricKey.size());

  const CipherContextOwner context(EVP_CIPHER_CTX_new());
  if (!context) return std::string();

  if (EVP_CipherInit_ex(context.get(), cipher, nullptr, bytesOf(symmetricKey), kInitialisationVector, 0) != 1)
    return std::string();

  int updateLength = 0;
  if (EVP_DecryptUpdate(context.get(), plaintext.data(), &updateLength, bytesOf(ciphertext),
                        static_cast<int>(ciphertext.size())) != 1)
    return std::string();

  int finalLength = 0;
  if (EVP_DecryptFinal_ex(context.get(), plaintext.data() + updateLength, &finalLength) != 1) return std::string();

  return std::string(reinterpret_cast<const char*>(plaintext.data()),
                     static_cast<std::size_t>(updateLength) + static_cast<std::size_t>(finalLength));
}

// The parts of a bound block's content.
constexpr std::size_t kKeySize = 16;
constexpr std::size_t kDigestSize = 32;
constexpr std::size_t kNonceSize = 16;
constexpr std::size_t kBoundContentSize = kKeySize + kDigestSize + kNonceSize;

bool sameBytes(const std::string& a, std::size_t offset, const std::string& b) {
  return a.size() >= offset + b.size() && CRYPTO_memcmp(a.data() + offset, b.data(), b.size()) == 0;
}

std::string sha256Of(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1 || length != kDigestSize)
    return std::string();
  return std::string(reinterpret_cast<const char*>(digest), length);
}

// Which form the block's content has and whether it binds this ciphertext to
// the expected request.
ReplyVerdict checkContent(const std::string& content, const std::string& ciphertext, const ReplyBinding& binding) {
  if (content.size() == kKeySize) return binding.acceptLegacy ? ReplyVerdict::Accepted : ReplyVerdict::LegacyForm;
  if (content.size() != kBoundContentSize) return ReplyVerdict::WrongContentSize;
  const std::string digest = sha256Of(ciphertext);
  if (digest.empty() || !sameBytes(content, kKeySize, digest)) return ReplyVerdict::DigestMismatch;
  if (!binding.nonce.empty() &&
      (binding.nonce.size() != kNonceSize || !sameBytes(content, kKeySize + kDigestSize, binding.nonce)))
    return ReplyVerdict::StaleNonce;
  return ReplyVerdict::Accepted;
}

DecodedReply decodeVerifiedReply(const std::string& text, const ReplyBinding& binding,
                                 const std::string& publicKeyPem) {
  DecodedReply decoded;
  const std::string reply = tavrin::base64Decode(trimReplyWhiteSpace(text));
  if (reply.size() <= kRsaBlockSize) return decoded;

  const std::string content = retrieveSymmetricKey(reply.substr(0, kRsaBlockSize), publicKeyPem);
  if (content.empty()) return decoded;

  const std::string ciphertext = reply.substr(kRsaBlockSize);
  decoded.verdict = checkContent(content, ciphertext, binding);
  if (!decoded.accepted()) return decoded;

  decoded.payload = decryptPayload(ciphertext, content.substr(0, kKeySize));
  if (decoded.payload.empty()) decoded.verdict = ReplyVerdict::Undecryptable;
  return decoded;
}

}  // namespace

DecodedReply decodeReplyWithKey(const std::string& text, const ReplyBinding& binding, const std::string& publicKeyPem) {
  try {
    return decodeVerifiedReply(text, binding, publicKeyPem);
  } catch (...) {
    // Only allocation can throw here; a reply that cannot be held is no reply.
    return DecodedReply();
  }
}

DecodedReply decodeReply(const std::string& text, const ReplyBinding& binding) {
  const char* const publicKeyPem = embeddedPublicKeyPem();
  if (publicKeyPem == nullptr) return DecodedReply();
  try {
    return decodeReplyWithKey(text, binding, std::string(publicKeyPem));
  } catch (...) {
    // Copying the key text is the only step here that can throw.
    return DecodedReply();
  }
}

ReplyBinding bindingFor(const std::string& nonce) {
  ReplyBinding binding;
  binding.nonce = nonce;
  binding.acceptLegacy = acceptsLegacyReplies();
  return binding;
}

const char* describeRefusal(ReplyVerdict verdict) {
  switch (verdict) {
    case ReplyVerdict::Accepted:
      return "accepted";
    case ReplyVerdict::NotProtected:
      return "not a reply made with the service key";
    case ReplyVerdict::LegacyForm:
      return "forged or unbound: the older form without digest and nonce";
    case ReplyVerdict::WrongContentSize:
      return "forged or unbound: the signed block is not 64 bytes";
    case ReplyVerdict::DigestMismatch:
      return "forged or unbound: the payload does not match the signed digest";
    case ReplyVerdict::StaleNonce:
      return "stale nonce: made for another request";
    case ReplyVerdict::Undecryptable:
      return "the payload does not decrypt";
  }
  return "refused";
}

}  // namespace tavrin
