#include "protected_reply.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <memory>
#include <string>

#include "openssl_handles.h"

namespace {

constexpr size_t kRsaBlockSize = 128;  // 1024-bit modulus
constexpr size_t kCipherKeySize = 16;  // AES-128
constexpr size_t kPkcs1Overhead = 11;  // type-1 padding needs at least 11 bytes
constexpr size_t kDigestSize = 32;     // SHA-256
constexpr size_t kBoundContentSize = kCipherKeySize + kDigestSize + kReplyNonceSize;
const char kReplyIv[] = "5802917364028513";  // 16 ASCII bytes, no terminator used
const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

const unsigned char* bytesOf(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

// Keys are never pass-phrase protected here; refuse instead of prompting.
int refusePassphrase(char*, int, int, void*) { return 0; }

tavrin::BioOwner openMemoryBio(const std::string& pem) {
  if (pem.empty()) return nullptr;
  return tavrin::BioOwner(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
}

tavrin::PkeyOwner readPrivateKey(const std::string& pem) {
  tavrin::BioOwner bio = openMemoryBio(pem);
  if (!bio) return nullptr;
  return tavrin::PkeyOwner(PEM_read_bio_PrivateKey(bio.get(), nullptr, refusePassphrase, nullptr));
}

tavrin::PkeyOwner readPublicKey(const std::string& pem) {
  tavrin::BioOwner bio = openMemoryBio(pem);
  if (!bio) return nullptr;
  return tavrin::PkeyOwner(PEM_read_bio_PUBKEY(bio.get(), nullptr, refusePassphrase, nullptr));
}

bool isRsaOfBlockSize(EVP_PKEY* key) {
  return EVP_PKEY_base_id(key) == EVP_PKEY_RSA && EVP_PKEY_size(key) == static_cast<int>(kRsaBlockSize);
}

// PKCS #1 v1.5 type-1 block of `data` made with the private key (a raw RSA
// signature without digest), always kRsaBlockSize bytes.
std::string rsaPrivateBlock(EVP_PKEY* key, const std::string& data) {
  tavrin::PkeyContextOwner ctx(EVP_PKEY_CTX_new(key, nullptr));
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1) {
    return {};
  }
  size_t blockSize = 0;
  if (EVP_PKEY_sign(ctx.get(), nullptr, &blockSize, bytesOf(data), data.size()) != 1) return {};
  std::string block(blockSize, '\0');
  if (EVP_PKEY_sign(ctx.get(), reinterpret_cast<unsigned char*>(&block[0]), &blockSize, bytesOf(data), data.size()) !=
      1) {
    return {};
  }
  block.resize(blockSize);
  return block.size() == kRsaBlockSize ? block : std::string();
}

// Content of a type-1 block, recovered with the public key; empty on mismatch.
std::string rsaPublicRecover(EVP_PKEY* key, const std::string& block) {
  tavrin::PkeyContextOwner ctx(EVP_PKEY_CTX_new(key, nullptr));
  if (!ctx || EVP_PKEY_verify_recover_init(ctx.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1) {
    return {};
  }
  std::string content(static_cast<size_t>(EVP_PKEY_size(key)), '\0');
  size_t contentSize = content.size();
  if (EVP_PKEY_verify_recover(ctx.get(), reinterpret_cast<unsigned char*>(&content[0]), &contentSize, bytesOf(block),
                              block.size()) != 1) {
    return {};
  }
  content.resize(contentSize);
  return content;
}

// AES-128-CBC with PKCS #7 padding under the fixed IV; `encrypt` selects the
// direction. Returns false when any library step fails (bad padding included).
bool runReplyCipher(bool encrypt, const std::string& key, const std::string& input, std::string& output) {
  tavrin::CipherContextOwner ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return false;
  if (EVP_CipherInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, bytesOf(key),
                        reinterpret_cast<const unsigned char*>(kReplyIv), encrypt ? 1 : 0) != 1) {
    return false;
  }
  const int blockSize = EVP_CIPHER_CTX_block_size(ctx.get());
  std::string buffer(input.size() + static_cast<size_t>(blockSize), '\0');
  auto* out = reinterpret_cast<unsigned char*>(&buffer[0]);
  int updateLength = 0;
  int finalLength = 0;
  if (EVP_CipherUpdate(ctx.get(), out, &updateLength, bytesOf(input), static_cast<int>(input.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), out + updateLength, &finalLength) != 1) {
    return false;
  }
  buffer.resize(static_cast<size_t>(updateLength + finalLength));
  output.swap(buffer);
  return true;
}

std::string base64Encode(const std::string& bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  size_t index = 0;
  for (; index + 3 <= bytes.size(); index += 3) {
    const unsigned b0 = static_cast<unsigned char>(bytes[index]);
    const unsigned b1 = static_cast<unsigned char>(bytes[index + 1]);
    const unsigned b2 = static_cast<unsigned char>(bytes[index + 2]);
    text += kBase64Alphabet[b0 >> 2];
    text += kBase64Alphabet[((b0 & 3) << 4) | (b1 >> 4)];
    text += kBase64Alphabet[((b1 & 15) << 2) | (b2 >> 6)];
    text += kBase64Alphabet[b2 & 63];
  }
  const size_t remaining = bytes.size() - index;
  if (remaining == 1) {
    const unsigned b0 = static_cast<unsigned char>(bytes[index]);
    text += kBase64Alphabet[b0 >> 2];
    text += kBase64Alphabet[(b0 & 3) << 4];
    text += "==";
  } else if (remaining == 2) {
    const unsigned b0 = static_cast<unsigned char>(bytes[index]);
    const unsigned b1 = static_cast<unsigned char>(bytes[index + 1]);
    text += kBase64Alphabet[b0 >> 2];
    text += kBase64Alphabet[((b0 & 3) << 4) | (b1 >> 4)];
    text += kBase64Alphabet[(b1 & 15) << 2];
    text += '=';
  }
  return text;
}

int base64Value(char symbol) {
  if (symbol >= 'A' && symbol <= 'Z') return symbol - 'A';
  if (symbol >= 'a' && symbol <= 'z') return symbol - 'a' + 26;
  if (symbol >= '0' && symbol <= '9') return symbol - '0' + 52;
  if (symbol == '+') return 62;
  if (symbol == '/') return 63;
  return -1;
}

int hexValue(char symbol) {
  if (symbol >= '0' && symbol <= '9') return symbol - '0';
  if (symbol >= 'a' && symbol <= 'f') return symbol - 'a' + 10;
  if (symbol >= 'A' && symbol <= 'F') return symbol - 'A' + 10;
  return -1;
}

bool isBase64Space(char symbol) { return symbol == ' ' || symbol == '\t' || symbol == '\r' || symbol == '\n'; }

// Standard Base64 with white space allowed anywhere; false on any other
// foreign byte or on padding that is not at the end.
bool base64Decode(const std::string& text, std::string& bytes) {
  std::string decoded;
  unsigned accumulator = 0;
  int bitCount = 0;
  bool paddingSeen = false;
  for (char symbol : text) {
    if (isBase64Space(symbol)) continue;
    if (symbol == '=') {
      paddingSeen = true;
      continue;
    }
    const int value = base64Value(symbol);
    if (value < 0 || paddingSeen) return false;
    accumulator = (accumulator << 6) | static_cast<unsigned>(value);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      decoded += static_cast<char>((accumulator >> bitCount) & 0xFF);
    }
  }
  bytes.swap(decoded);
  return true;
}

}  // namespace

std::string makeRandomSymmetricKey() {
  std::string key(kCipherKeySize, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(&key[0]), static_cast<int>(key.size())) != 1) {
    return {};
  }
  return key;
}

std::string encryptReplyPayload(const std::string& plaintext, const std::string& symmetricKey) {
  if (symmetricKey.size() < kCipherKeySize) return {};
  std::string ciphertext;
  if (!runReplyCipher(true, symmetricKey.substr(0, kCipherKeySize), plaintext, ciphertext)) return {};
  return ciphertext;
}

std::string sha256Bytes(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr) != 1) return {};
  return std::string(reinterpret_cast<const char*>(digest), size);
}

std::string sha256Hex(const std::string& bytes) { return nonceToHex(sha256Bytes(bytes)); }

std::string nonceToHex(const std::string& nonce) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char byte : nonce) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

bool nonceFromHex(const std::string& text, std::string& nonce) {
  if (text.size() != 2 * kReplyNonceSize) return false;
  std::string bytes;
  for (size_t index = 0; index < text.size(); index += 2) {
    const int high = hexValue(text[index]);
    const int low = hexValue(text[index + 1]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>(high * 16 + low);
  }
  nonce.swap(bytes);
  return true;
}

std::string makeReplyWithContent(const std::string& plaintext, const std::string& privateKeyPem,
                                 const std::string& rsaContent) {
  if (rsaContent.size() < kCipherKeySize || rsaContent.size() > kRsaBlockSize - kPkcs1Overhead) {
    return {};
  }
  tavrin::PkeyOwner key = readPrivateKey(privateKeyPem);
  if (!key || !isRsaOfBlockSize(key.get())) return {};
  const std::string rsaBlock = rsaPrivateBlock(key.get(), rsaContent);
  if (rsaBlock.empty()) return {};
  const std::string ciphertext = encryptReplyPayload(plaintext, rsaContent);
  if (ciphertext.empty()) return {};
  return base64Encode(rsaBlock + ciphertext);
}

std::string makeProtectedReply(const std::string& plaintext, const std::string& privateKeyPem,
                               const std::string& symmetricKey) {
  return makeReplyWithContent(plaintext, privateKeyPem, symmetricKey);
}

std::string makeBoundReply(const std::string& plaintext, const std::string& privateKeyPem,
                           const std::string& symmetricKey, const std::string& nonce) {
  if (symmetricKey.size() != kCipherKeySize || nonce.size() != kReplyNonceSize) return {};
  const std::string ciphertext = encryptReplyPayload(plaintext, symmetricKey);
  if (ciphertext.empty()) return {};
  tavrin::PkeyOwner key = readPrivateKey(privateKeyPem);
  if (!key || !isRsaOfBlockSize(key.get())) return {};
  const std::string rsaBlock = rsaPrivateBlock(key.get(), symmetricKey + sha256Bytes(ciphertext) + nonce);
  if (rsaBlock.empty()) return {};
  return base64Encode(rsaBlock + ciphertext);
}

std::string openReplyContent(const std::string& base64Text, const std::string& publicKeyPem) {
  std::string reply;
  if (!base64Decode(base64Text, reply) || reply.size() <= kRsaBlockSize) return {};
  tavrin::PkeyOwner key = readPublicKey(publicKeyPem);
  if (!key || !isRsaOfBlockSize(key.get())) return {};
  return rsaPublicRecover(key.get(), reply.substr(0, kRsaBlockSize));
}

std::string openProtectedReply(const std::string& base64Text, const std::string& publicKeyPem) {
  std::string reply;
  if (!base64Decode(base64Text, reply) || reply.size() <= kRsaBlockSize) return {};
  const std::string content = openReplyContent(base64Text, publicKeyPem);
  const std::string ciphertext = reply.substr(kRsaBlockSize);
  const bool legacy = content.size() == kCipherKeySize;
  const bool bound =
      content.size() == kBoundContentSize && content.compare(kCipherKeySize, kDigestSize, sha256Bytes(ciphertext)) == 0;
  if (!legacy && !bound) return {};
  std::string plaintext;
  if (!runReplyCipher(false, content.substr(0, kCipherKeySize), ciphertext, plaintext)) return {};
  return plaintext;
}
