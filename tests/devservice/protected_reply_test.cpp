// Protected replies made for the launcher: they open with the launcher's
// public key only, and their bytes follow the agreed layout, bound or legacy.
#include "dev_service.h"
#include "openssl_handles.h"
#include "protected_reply.h"

#include <gtest/gtest.h>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <memory>
#include <string>

namespace {

const unsigned char* bytesOf(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

// Public key PEM of a private key, so that a reply signed with the other key
// can be shown to be genuine for that key.
std::string publicPemOf(const std::string& privatePem) {
  tavrin::BioOwner in(BIO_new_mem_buf(privatePem.data(), static_cast<int>(privatePem.size())));
  tavrin::PkeyOwner key(PEM_read_bio_PrivateKey(in.get(), nullptr, nullptr, nullptr));
  tavrin::BioOwner out(BIO_new(BIO_s_mem()));
  if (!key || !out || PEM_write_bio_PUBKEY(out.get(), key.get()) != 1) return {};
  char* data = nullptr;
  const long size = BIO_get_mem_data(out.get(), &data);
  return std::string(data, static_cast<size_t>(size));
}

std::string decodeBase64(const std::string& text) {
  std::string bytes(text.size() / 4 * 3, '\0');
  const int size =
      EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&bytes[0]), bytesOf(text), static_cast<int>(text.size()));
  if (size < 0) return {};
  size_t padding = 0;
  for (size_t index = text.size(); index > 0 && text[index - 1] == '='; --index) ++padding;
  bytes.resize(static_cast<size_t>(size) - padding);
  return bytes;
}

std::string encodeBase64(const std::string& bytes) {
  std::string text((bytes.size() + 2) / 3 * 4 + 1, '\0');
  const int size =
      EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&text[0]), bytesOf(bytes), static_cast<int>(bytes.size()));
  text.resize(static_cast<size_t>(size));
  return text;
}

// Content of a PKCS #1 type-1 block, recovered with the public key.
std::string recoverWithPublicKey(const std::string& block, const std::string& publicPem) {
  tavrin::BioOwner in(BIO_new_mem_buf(publicPem.data(), static_cast<int>(publicPem.size())));
  tavrin::PkeyOwner key(PEM_read_bio_PUBKEY(in.get(), nullptr, nullptr, nullptr));
  if (!key) return {};
  tavrin::PkeyContextOwner ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
  std::string content(256, '\0');
  size_t size = content.size();
  if (!ctx || EVP_PKEY_verify_recover_init(ctx.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1 ||
      EVP_PKEY_verify_recover(ctx.get(), reinterpret_cast<unsigned char*>(&content[0]), &size, bytesOf(block),
                              block.size()) != 1) {
    return {};
  }
  content.resize(size);
  return content;
}

std::string aes128CbcEncrypt(const std::string& plaintext, const std::string& key, const std::string& iv) {
  tavrin::CipherContextOwner ctx(EVP_CIPHER_CTX_new());
  std::string out(plaintext.size() + 16, '\0');
  int updated = 0;
  int finished = 0;
  auto* target = reinterpret_cast<unsigned char*>(&out[0]);
  if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, bytesOf(key), bytesOf(iv)) != 1 ||
      EVP_EncryptUpdate(ctx.get(), target, &updated, bytesOf(plaintext), static_cast<int>(plaintext.size())) != 1 ||
      EVP_EncryptFinal_ex(ctx.get(), target + updated, &finished) != 1) {
    return {};
  }
  out.resize(static_cast<size_t>(updated + finished));
  return out;
}

std::string sha256Of(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr) != 1) return {};
  return std::string(reinterpret_cast<const char*>(digest), size);
}

const std::string kPayload = "{\"version\":\"1.0.0.2\",\"fileurl\":\"http://127.0.0.1/p.zip\"}\n\xE5\xA1\x94";

}  // namespace

TEST(ProtectedReply, OpensWithTheMatchingPublicKeyOnly) {
  const std::string reply = makeProtectedReply(kPayload, testKeyPem("test_private.pem"), makeRandomSymmetricKey());
  ASSERT_FALSE(reply.empty());
  EXPECT_EQ(openProtectedReply(reply, testKeyPem("test_public.pem")), kPayload);

  const std::string otherPublic = publicPemOf(testKeyPem("other_private.pem"));
  ASSERT_FALSE(otherPublic.empty());
  EXPECT_EQ(openProtectedReply(reply, otherPublic), "");

  const std::string otherReply =
      makeProtectedReply(kPayload, testKeyPem("other_private.pem"), makeRandomSymmetricKey());
  EXPECT_EQ(openProtectedReply(otherReply, testKeyPem("test_public.pem")), "");
  EXPECT_EQ(openProtectedReply(otherReply, otherPublic), kPayload);
}

TEST(ProtectedReply, IsRsaBlockOfTheKeyThenAesCbcUnderTheFixedIv) {
  const std::string symmetricKey = "0123456789abcdef";
  const std::string reply = makeProtectedReply(kPayload, testKeyPem("test_private.pem"), symmetricKey);
  ASSERT_FALSE(reply.empty());
  EXPECT_EQ(reply.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
            std::string::npos);
  EXPECT_EQ(reply.size() % 4, 0u);

  const std::string bytes = decodeBase64(reply);
  const size_t paddedPayload = (kPayload.size() / 16 + 1) * 16;
  ASSERT_EQ(bytes.size(), 128 + paddedPayload);
  EXPECT_EQ(recoverWithPublicKey(bytes.substr(0, 128), testKeyPem("test_public.pem")), symmetricKey);
  EXPECT_EQ(bytes.substr(128), aes128CbcEncrypt(kPayload, symmetricKey, "5802917364028513"));
}

TEST(ProtectedReply, BoundReplyCarriesKeyDigestOfTheCiphertextAndNonce) {
  const std::string symmetricKey = "0123456789abcdef";
  const std::string nonce = "NONCE-0123456789";
  const std::string reply = makeBoundReply(kPayload, testKeyPem("test_private.pem"), symmetricKey, nonce);
  ASSERT_FALSE(reply.empty());

  const std::string bytes = decodeBase64(reply);
  ASSERT_GT(bytes.size(), 128u);
  const std::string ciphertext = bytes.substr(128);
  EXPECT_EQ(ciphertext, aes128CbcEncrypt(kPayload, symmetricKey, "5802917364028513"));
  EXPECT_EQ(recoverWithPublicKey(bytes.substr(0, 128), testKeyPem("test_public.pem")),
            symmetricKey + sha256Of(ciphertext) + nonce);
  EXPECT_EQ(openProtectedReply(reply, testKeyPem("test_public.pem")), kPayload);
  EXPECT_EQ(makeBoundReply(kPayload, testKeyPem("test_private.pem"), symmetricKey, "short"), "");
}

TEST(ProtectedReply, BoundReplyWithAnotherDigestDoesNotOpen) {
  const std::string symmetricKey = "0123456789abcdef";
  const std::string otherCiphertext = aes128CbcEncrypt(kPayload + "!", symmetricKey, "5802917364028513");
  const std::string reply = makeReplyWithContent(kPayload, testKeyPem("test_private.pem"),
                                                 symmetricKey + sha256Of(otherCiphertext) + std::string(16, 'n'));
  ASSERT_FALSE(reply.empty());
  EXPECT_EQ(openReplyContent(reply, testKeyPem("test_public.pem")).size(), 64u);
  EXPECT_EQ(openProtectedReply(reply, testKeyPem("test_public.pem")), "");
}

TEST(ProtectedReply, RefusesUnusableKeysAndDamagedReplies) {
  const std::string privatePem = testKeyPem("test_private.pem");
  const std::string publicPem = testKeyPem("test_public.pem");
  EXPECT_EQ(makeProtectedReply(kPayload, privatePem, "short key"), "");
  EXPECT_EQ(makeProtectedReply(kPayload, "not a key", makeRandomSymmetricKey()), "");
  EXPECT_EQ(makeProtectedReply(kPayload, publicPem, makeRandomSymmetricKey()), "");

  const std::string reply = makeProtectedReply(kPayload, privatePem, makeRandomSymmetricKey());
  ASSERT_FALSE(reply.empty());
  std::string damaged = reply;
  damaged[10] = damaged[10] == 'A' ? 'B' : 'A';  // inside the RSA block
  EXPECT_EQ(openProtectedReply(damaged, publicPem), "");
  const std::string rsaBlockOnly = encodeBase64(decodeBase64(reply).substr(0, 128));
  EXPECT_EQ(openProtectedReply(rsaBlockOnly, publicPem), "");
}

TEST(ProtectedReply, RandomSymmetricKeysAreSixteenFreshBytes) {
  const std::string first = makeRandomSymmetricKey();
  const std::string second = makeRandomSymmetricKey();
  EXPECT_EQ(first.size(), 16u);
  EXPECT_EQ(second.size(), 16u);
  EXPECT_NE(first, second);
}
