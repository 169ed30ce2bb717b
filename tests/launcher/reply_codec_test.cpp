// Building RSA blocks by hand needs the 1.0-style RSA calls, which OpenSSL 3.0
// still provides as deprecated.
#ifndef OPENSSL_SUPPRESS_DEPRECATED
#define OPENSSL_SUPPRESS_DEPRECATED
#endif

#include "common/base64.h"
#include "launcher/crypto_support.h"
#include "launcher/embedded_public_key.h"
#include "launcher/legacy_replies.h"
#include "launcher/reply_codec.h"
#include "tools/common/protected_reply.h"

#include <gtest/gtest.h>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstddef>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace tavrin;

namespace {

using tavrin::base64Decode;
using tavrin::base64Encode;

const char kInitialisationVector[] = "5802917364028513";

std::string readKeyFile(const std::string& name) {
  std::ifstream file(std::string(TAVRIN_TEST_DATA) + "/keys/" + name, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

const std::string& testPrivateKey() {
  static const std::string pem = readKeyFile("test_private.pem");
  return pem;
}

const std::string& testPublicKey() {
  static const std::string pem = readKeyFile("test_public.pem");
  return pem;
}

const std::string& otherPrivateKey() {
  static const std::string pem = readKeyFile("other_private.pem");
  return pem;
}

const unsigned char* bytesOf(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

RsaOwner readPrivateKey(const std::string& pem) {
  BioOwner bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio) return RsaOwner();
  return RsaOwner(PEM_read_bio_RSAPrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

std::string publicKeyPemOf(const std::string& privateKeyPem) {
  const RsaOwner rsa = readPrivateKey(privateKeyPem);
  BioOwner bio(BIO_new(BIO_s_mem()));
  if (!rsa || !bio || PEM_write_bio_RSA_PUBKEY(bio.get(), rsa.get()) != 1) return std::string();
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(length));
}

// A PKCS #1 type-1 block made with the private key, carrying any content.
std::string rsaBlockCarrying(const std::string& content, const std::string& privateKeyPem) {
  const RsaOwner rsa = readPrivateKey(privateKeyPem);
  if (!rsa) return std::string();
  std::vector<unsigned char> block(static_cast<std::size_t>(RSA_size(rsa.get())));
  const int length = RSA_private_encrypt(static_cast<int>(content.size()), bytesOf(content), block.data(), rsa.get(),
                                         RSA_PKCS1_PADDING);
  if (length <= 0) return std::string();
  return std::string(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(length));
}

enum class Padding { Pkcs7, None };

// AES-128-CBC with the fixed IV under the first 16 bytes of key.
std::string encryptPayload(const std::string& plaintext, const std::string& key, Padding padding) {
  CipherContextOwner context(EVP_CIPHER_CTX_new());
  if (!context || key.size() < 16 ||
      EVP_EncryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, bytesOf(key),
                         reinterpret_cast<const unsigned char*>(kInitialisationVector)) != 1)
    return std::string();
  EVP_CIPHER_CTX_set_padding(context.get(), padding == Padding::Pkcs7 ? 1 : 0);
  std::vector<unsigned char> ciphertext(plaintext.size() + 32);
  int updateLength = 0;
  int finalLength = 0;
  if (EVP_EncryptUpdate(context.get(), ciphertext.data(), &updateLength, bytesOf(plaintext),
                        static_cast<int>(plaintext.size())) != 1 ||
      EVP_EncryptFinal_ex(context.get(), ciphertext.data() + updateLength, &finalLength) != 1)
    return std::string();
  return std::string(reinterpret_cast<const char*>(ciphertext.data()),
                     static_cast<std::size_t>(updateLength + finalLength));
}

// Base64 by libcrypto, independent of the code under test.
std::string referenceBase64Encode(const std::string& bytes) {
  std::vector<unsigned char> text(4 * ((bytes.size() + 2) / 3) + 1);
  const int length = EVP_EncodeBlock(text.data(), bytesOf(bytes), static_cast<int>(bytes.size()));
  return std::string(reinterpret_cast<const char*>(text.data()), static_cast<std::size_t>(length));
}

std::string referenceBase64Decode(const std::string& text) {
  std::vector<unsigned char> bytes(text.size() / 4 * 3 + 3);
  const int length = EVP_DecodeBlock(bytes.data(), bytesOf(text), static_cast<int>(text.size()));
  if (length < 0) return std::string();
  std::size_t padding = 0;
  for (std::size_t index = text.size(); index > 0 && text[index - 1] == '='; --index) ++padding;
  return std::string(reinterpret_cast<const char*>(bytes.data()), static_cast<std::size_t>(length) - padding);
}

std::string replyOf(const std::string& rsaBlock, const std::string& ciphertext) {
  return referenceBase64Encode(rsaBlock + ciphertext);
}

std::string sixteenByteKey() {
  return std::string("\x01\x23\x45\x67\x89\xab\xcd\xef\xfe\xdc\xba\x98\x76\x54\x32\x10", 16);
}

std::string allByteValues() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  return bytes;
}

std::string patternOfLength(std::size_t length) {
  std::string bytes;
  for (std::size_t index = 0; index < length; ++index) bytes += static_cast<char>((index * 97 + 251) & 0xFF);
  return bytes;
}

std::string withLineBreaksEvery(std::size_t width, const std::string& text) {
  std::string broken;
  for (std::size_t index = 0; index < text.size(); index += width) broken += text.substr(index, width) + "\r\n";
  return broken;
}

// ---------------------------------------------------------------- Base64 encoding

// Three bytes give four symbols; one or two left over are padded with two or one "=".
TEST(Base64Encode, MatchesTheStandardTestVectors) {
  EXPECT_EQ(base64Encode(""), "");
  EXPECT_EQ(base64Encode("a"), "YQ==");
  EXPECT_EQ(base64Encode("ab"), "YWI=");
  EXPECT_EQ(base64Encode("abc"), "YWJj");
  EXPECT_EQ(base64Encode("f"), "Zg==");
  EXPECT_EQ(base64Encode("fo"), "Zm8=");
  EXPECT_EQ(base64Encode("foo"), "Zm9v");
  EXPECT_EQ(base64Encode("foob"), "Zm9vYg==");
  EXPECT_EQ(base64Encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(base64Encode(std::string("\xFB\xFF\xBF\x00", 4)), "+/+/AA==") << "no escaping of + and /";
}

TEST(Base64Encode, AgreesWithLibcryptoForEveryLengthUpTo64AndAllByteValues) {
  for (std::size_t length = 0; length <= 64; ++length)
    EXPECT_EQ(base64Encode(patternOfLength(length)), referenceBase64Encode(patternOfLength(length)))
        << "length " << length;
  EXPECT_EQ(base64Encode(allByteValues()), referenceBase64Encode(allByteValues()));
}

TEST(Base64Encode, WritesNoLineBreaksInLongOutput) {
  const std::string text = base64Encode(patternOfLength(300));
  EXPECT_EQ(text.size(), 400u);
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
}

// ---------------------------------------------------------------- Base64 decoding

TEST(Base64Decode, RoundTripsAllByteValues) { EXPECT_EQ(base64Decode(base64Encode(allByteValues())), allByteValues()); }

TEST(Base64Decode, DecodesWhatLibcryptoEncoded) {
  for (std::size_t length = 0; length <= 64; ++length)
    EXPECT_EQ(base64Decode(referenceBase64Encode(patternOfLength(length))), patternOfLength(length))
        << "length " << length;
}

TEST(Base64Decode, DecodesTrailingGroupsWithoutPadding) {
  EXPECT_EQ(base64Decode("YQ"), "a");
  EXPECT_EQ(base64Decode("YWI"), "ab");
  EXPECT_EQ(base64Decode("YWJjYQ"), "abca");
}

TEST(Base64Decode, RejectsEqualsSignOneSymbolIntoAGroup) {
  EXPECT_EQ(base64Decode("Y=Q=="), "");
  EXPECT_EQ(base64Decode("Y="), "");
  EXPECT_EQ(base64Decode("YWJjY=Q"), "");
  EXPECT_EQ(base64Decode("YWJj Y\r\n=Q"), "");
  // At the end of the text (or before a NUL) there is no following "=".
  EXPECT_EQ(base64Decode("YWJjY="), "");
  EXPECT_EQ(base64Decode(std::string("YWJjY=\0=", 8)), "");
}

TEST(Base64Decode, AcceptsEqualsSignElsewhereInAGroup) {
  EXPECT_EQ(base64Decode("=YWJj"), "abc");
  EXPECT_EQ(base64Decode("YQ="), "a");
  EXPECT_EQ(base64Decode("YWI=="), "ab");
}

TEST(Base64Decode, SkipsWhiteSpaceAndLineBreaks) {
  EXPECT_EQ(base64Decode(" Y W\r\nJ\tj \n"), "abc");
  const std::string text = base64Encode(patternOfLength(120));
  EXPECT_EQ(base64Decode(withLineBreaksEvery(76, text)), patternOfLength(120));
}

TEST(Base64Decode, SkipsBytesOutsideTheAlphabet) {
  EXPECT_EQ(base64Decode("\x80Y\xffW\xc3\xa9J\x7fj"), "abc");
  EXPECT_EQ(base64Decode("Y-W_J.j!"), "abc");
  EXPECT_EQ(base64Decode("!@#$%^&*()"), "");
}

TEST(Base64Decode, StopsAtNulByte) {
  EXPECT_EQ(base64Decode(std::string("YWJj\0YWJj", 9)), "abc");
  EXPECT_EQ(base64Decode(std::string("\0YWJj", 5)), "");
  // Even an "=" that would be rejected is not looked at behind the NUL.
  EXPECT_EQ(base64Decode(std::string("YQ==\0Y=Q", 8)), "a");
}

TEST(Base64Decode, ContinuesDecodingAfterEqualsSign) {
  EXPECT_EQ(base64Decode("YWJj=YWJj"), "abcabc");
  EXPECT_EQ(base64Decode("YWJj==ZGVm"), "abcdef");
  // Symbols after padding keep counting within the running group.
  EXPECT_EQ(base64Decode("YQ==YQ=="), base64Decode("YQYQ"));
  EXPECT_EQ(base64Decode("YQ==YQ==").size(), 3u);
}

// ---------------------------------------------------------------- Protected replies

const std::string kNonce("\x10\x32\x54\x76\x98\xba\xdc\xfe\x01\x23\x45\x67\x89\xab\xcd\xef", 16);
const std::string kOtherNonce("\x10\x32\x54\x76\x98\xba\xdc\xfe\x01\x23\x45\x67\x89\xab\xcd\xee", 16);

ReplyBinding boundTo(const std::string& nonce, bool acceptLegacy = false) {
  ReplyBinding binding;
  binding.nonce = nonce;
  binding.acceptLegacy = acceptLegacy;
  return binding;
}

ReplyVerdict verdictOf(const std::string& reply, const ReplyBinding& binding = boundTo(kNonce)) {
  return decodeReplyWithKey(reply, binding, testPublicKey()).verdict;
}

// The payload, or empty when the reply is refused.
std::string opened(const std::string& reply, const std::string& publicKey = testPublicKey(),
                   const ReplyBinding& binding = boundTo(kNonce)) {
  const DecodedReply decoded = decodeReplyWithKey(reply, binding, publicKey);
  EXPECT_EQ(decoded.accepted(), !decoded.payload.empty());
  return decoded.payload;
}

std::string openedWithEmbeddedKey(const std::string& reply) { return decodeReply(reply, boundTo(kNonce)).payload; }

// What the service signs for a ciphertext: key, digest of the ciphertext, nonce.
std::string boundContent(const std::string& ciphertext, const std::string& nonce = kNonce) {
  return sixteenByteKey() + sha256Bytes(ciphertext) + nonce;
}

std::string boundReplyOf(const std::string& ciphertext) {
  return replyOf(rsaBlockCarrying(boundContent(ciphertext), testPrivateKey()), ciphertext);
}

class ReplyCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(testPrivateKey().empty()) << "test key not found under " << TAVRIN_TEST_DATA;
    ASSERT_FALSE(testPublicKey().empty());
    ASSERT_FALSE(otherPrivateKey().empty());
  }

  static std::string replyFromTestKey(const std::string& plaintext, const std::string& nonce = kNonce) {
    return makeBoundReply(plaintext, testPrivateKey(), makeRandomSymmetricKey(), nonce);
  }
};

TEST_F(ReplyCodec, RecoversPayloadMadeWithTheMatchingPrivateKey) {
  const std::vector<std::string> payloads = {
      "x",
      patternOfLength(15),
      patternOfLength(16),
      patternOfLength(17),
      patternOfLength(32),
      allByteValues(),
      patternOfLength(5000),
      R"({"version":"2.3.0.1","url":"http://127.0.0.1/app/package.zip"})",
  };
  for (const std::string& payload : payloads) {
    const std::string reply = replyFromTestKey(payload);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(opened(reply), payload) << "payload of " << payload.size();
  }
}

TEST_F(ReplyCodec, EmbeddedKeyOpensRepliesOfTheTestKeyPairAndNoOther) {
  const std::string payload = R"({"bookmarks":{"md5":"0123"},"navigate_page":{}})";
  EXPECT_EQ(openedWithEmbeddedKey(replyFromTestKey(payload)), payload);
  EXPECT_EQ(openedWithEmbeddedKey(makeBoundReply(payload, otherPrivateKey(), makeRandomSymmetricKey(), kNonce)), "");
}

TEST_F(ReplyCodec, IgnoresWhiteSpaceInsideAndAroundTheBase64Text) {
  const std::string payload = patternOfLength(200);
  const std::string reply = replyFromTestKey(payload);
  ASSERT_FALSE(reply.empty());

  EXPECT_EQ(opened(withLineBreaksEvery(64, reply)), payload);
  EXPECT_EQ(opened(" \t\r\n" + reply + "\r\n\t "), payload);

  std::string spaced;
  for (std::size_t index = 0; index < reply.size(); ++index)
    spaced += reply[index] + std::string(index % 7 == 0 ? " " : index % 11 == 0 ? "\t" : "");
  EXPECT_EQ(opened("\n" + spaced + " "), payload);
}

TEST_F(ReplyCodec, RejectsReplyWhoseDecodedFormIsExactly128Bytes) {
  const std::string ciphertext = encryptPayload("hello", sixteenByteKey(), Padding::Pkcs7);
  const std::string block = rsaBlockCarrying(boundContent(ciphertext), testPrivateKey());
  ASSERT_EQ(block.size(), 128u);
  EXPECT_EQ(opened(replyOf(block, "")), "");

  // The same block with its ciphertext behind it is a valid reply.
  EXPECT_EQ(opened(replyOf(block, ciphertext)), "hello");
}

TEST_F(ReplyCodec, RejectsReplyMadeWithAnotherPrivateKeyAlsoForBlockAlignedPayloads) {
  for (std::size_t length : {16u, 32u, 48u, 5u}) {
    const std::string payload = patternOfLength(length);
    const std::string key = makeRandomSymmetricKey();
    const std::string foreign = makeBoundReply(payload, otherPrivateKey(), key, kNonce);
    ASSERT_FALSE(foreign.empty());
    EXPECT_EQ(verdictOf(foreign), ReplyVerdict::NotProtected) << "payload of " << length;

    // The same payload and symmetric key under the right private key opens.
    EXPECT_EQ(opened(makeBoundReply(payload, testPrivateKey(), key, kNonce)), payload);
  }
}

TEST_F(ReplyCodec, RejectsReplyCheckedWithAnotherPublicKey) {
  const std::string otherPublicKey = publicKeyPemOf(otherPrivateKey());
  ASSERT_EQ(otherPublicKey.rfind("-----BEGIN PUBLIC KEY-----", 0), 0u);
  const std::string payload = patternOfLength(64);
  EXPECT_EQ(opened(replyFromTestKey(payload), otherPublicKey), "");
  EXPECT_EQ(opened(makeBoundReply(payload, otherPrivateKey(), makeRandomSymmetricKey(), kNonce), otherPublicKey),
            payload);
}

TEST_F(ReplyCodec, RejectsCiphertextWithBadPadding) {
  std::string lastBlock = patternOfLength(15);

  const std::string zeroPadded = encryptPayload(lastBlock + std::string(1, '\x00'), sixteenByteKey(), Padding::None);
  EXPECT_EQ(verdictOf(boundReplyOf(zeroPadded)), ReplyVerdict::Undecryptable);

  const std::string overlongPadding = encryptPayload(lastBlock + "\x11", sixteenByteKey(), Padding::None);
  EXPECT_EQ(verdictOf(boundReplyOf(overlongPadding)), ReplyVerdict::Undecryptable);

  const std::string inconsistentPadding =
      encryptPayload(patternOfLength(13) + "\x01\x03\x03", sixteenByteKey(), Padding::None);
  EXPECT_EQ(verdictOf(boundReplyOf(inconsistentPadding)), ReplyVerdict::Undecryptable);

  // One byte of valid padding opens, leaving the 15 bytes before it.
  const std::string validPadding = encryptPayload(lastBlock + "\x01", sixteenByteKey(), Padding::None);
  EXPECT_EQ(opened(boundReplyOf(validPadding)), lastBlock);
}

TEST_F(ReplyCodec, RejectsCiphertextCutShortOrExtended) {
  const std::string decoded = referenceBase64Decode(replyFromTestKey(patternOfLength(40)));
  ASSERT_EQ(decoded.size(), 128u + 48u);

  EXPECT_EQ(verdictOf(referenceBase64Encode(decoded.substr(0, decoded.size() - 16))), ReplyVerdict::DigestMismatch);
  EXPECT_EQ(verdictOf(referenceBase64Encode(decoded + "x")), ReplyVerdict::DigestMismatch);
  EXPECT_EQ(opened(referenceBase64Encode(decoded)), patternOfLength(40));
}

TEST_F(ReplyCodec, RejectsCorruptedRsaBlock) {
  std::string decoded = referenceBase64Decode(replyFromTestKey(patternOfLength(40)));
  ASSERT_GT(decoded.size(), 128u);
  decoded[60] = static_cast<char>(decoded[60] ^ 0x04);
  EXPECT_EQ(verdictOf(referenceBase64Encode(decoded)), ReplyVerdict::NotProtected);
}

// What anyone on the network path can do with a genuine reply and the public
// key: read the AES key out of the signed block and put another payload
// under it. The digest in the block no longer matches.
TEST_F(ReplyCodec, RefusesAnotherPayloadUnderAGenuineBlock) {
  const std::string genuine = replyFromTestKey(R"({"version":"1.0.0.2","fileurl":"http://a/p.zip"})");
  const std::string content = openReplyContent(genuine, testPublicKey());
  ASSERT_EQ(content.size(), 64u) << "the public key reads the whole block";
  const std::string forgedPayload = R"({"version":"9.0.0.0","fileurl":"http://evil/p.zip","sha256":"00"})";
  const std::string block = referenceBase64Decode(genuine).substr(0, 128);
  const std::string forged = referenceBase64Encode(block + encryptReplyPayload(forgedPayload, content));
  EXPECT_EQ(verdictOf(forged), ReplyVerdict::DigestMismatch);
  EXPECT_EQ(opened(forged), "");
  EXPECT_EQ(verdictOf(forged, boundTo(kNonce, true)), ReplyVerdict::DigestMismatch)
      << "the option for the older form does not weaken the check of a bound block";

  // The same attack on a reply of the older form: only a build that accepts
  // that form is fooled, which is why it is off by default.
  const std::string legacy = makeProtectedReply("settings", testPrivateKey(), sixteenByteKey());
  const std::string legacyForged = referenceBase64Encode(
      referenceBase64Decode(legacy).substr(0, 128) + encryptPayload(forgedPayload, sixteenByteKey(), Padding::Pkcs7));
  EXPECT_EQ(verdictOf(legacyForged), ReplyVerdict::LegacyForm);
  EXPECT_EQ(opened(legacyForged, testPublicKey(), boundTo(kNonce, true)), forgedPayload);
}

TEST_F(ReplyCodec, RefusesAGenuineReplyMadeForAnotherRequest) {
  const std::string reply = replyFromTestKey("payload", kOtherNonce);
  EXPECT_EQ(verdictOf(reply), ReplyVerdict::StaleNonce);
  EXPECT_EQ(verdictOf(reply, boundTo(std::string(15, 'x'))), ReplyVerdict::StaleNonce) << "a malformed expectation";
  EXPECT_EQ(opened(reply, testPublicKey(), boundTo(kOtherNonce)), "payload");
  // A stored reply is checked without its request's nonce; the digest still holds it.
  EXPECT_EQ(opened(reply, testPublicKey(), boundTo(std::string())), "payload");
}

TEST_F(ReplyCodec, TakesTheOlderFormOnlyWhenAskedTo) {
  const std::string legacy = makeProtectedReply("older service", testPrivateKey(), sixteenByteKey());
  EXPECT_EQ(verdictOf(legacy), ReplyVerdict::LegacyForm);
  EXPECT_EQ(opened(legacy, testPublicKey(), boundTo(kNonce, true)), "older service");
  EXPECT_EQ(opened(legacy, testPublicKey(), boundTo(std::string(), true)), "older service");
  EXPECT_FALSE(acceptsLegacyReplies()) << "this build is made without the option";
}

TEST_F(ReplyCodec, RefusesASignedBlockOfAnyOtherLength) {
  const std::string ciphertext = encryptPayload("payload", sixteenByteKey(), Padding::Pkcs7);
  const std::string bound = boundContent(ciphertext);
  for (std::size_t length : {8u, 15u, 17u, 48u, 63u, 65u, 80u}) {
    std::string content = length <= bound.size() ? bound.substr(0, length) : bound + std::string(length - 64, '\0');
    const std::string reply = replyOf(rsaBlockCarrying(content, testPrivateKey()), ciphertext);
    EXPECT_EQ(verdictOf(reply), ReplyVerdict::WrongContentSize) << "content of " << length;
    EXPECT_EQ(verdictOf(reply, boundTo(kNonce, true)), ReplyVerdict::WrongContentSize) << "content of " << length;
  }
}

TEST_F(ReplyCodec, NamesTheReasonOfARefusal) {
  for (ReplyVerdict verdict : {ReplyVerdict::LegacyForm, ReplyVerdict::WrongContentSize, ReplyVerdict::DigestMismatch})
    EXPECT_EQ(std::string(describeRefusal(verdict)).rfind("forged or unbound: ", 0), 0u);
  EXPECT_EQ(std::string(describeRefusal(ReplyVerdict::StaleNonce)).rfind("stale nonce", 0), 0u);
}

TEST_F(ReplyCodec, RejectsReplyWithMisplacedPaddingSymbol) {
  std::string reply = replyFromTestKey(patternOfLength(20));
  ASSERT_FALSE(reply.empty());
  ASSERT_EQ(opened(reply), patternOfLength(20));
  reply.insert(1, "=");
  EXPECT_EQ(opened(reply), "");
}

TEST_F(ReplyCodec, RejectsEmptyAndGarbageInput) {
  EXPECT_EQ(opened(""), "");
  EXPECT_EQ(opened(" \t\r\n"), "");
  EXPECT_EQ(opened("not a protected reply"), "");
  EXPECT_EQ(opened(std::string(400, 'A')), "");
  EXPECT_EQ(opened(base64Encode(patternOfLength(500))), "");
  EXPECT_EQ(opened(std::string("\0\xff\x80garbage", 10)), "");
  EXPECT_EQ(openedWithEmbeddedKey(""), "");
  EXPECT_EQ(openedWithEmbeddedKey(base64Encode(patternOfLength(300))), "");
}

TEST_F(ReplyCodec, RejectsEverythingWithAnUnusablePublicKey) {
  const std::string reply = replyFromTestKey("payload");
  EXPECT_EQ(opened(reply, ""), "");
  EXPECT_EQ(opened(reply, "-----BEGIN PUBLIC KEY-----\nnot a key\n-----END PUBLIC KEY-----\n"), "");
  EXPECT_EQ(opened(reply, testPrivateKey().substr(0, 100)), "");
}

}  // namespace
