// Protected replies: decodeReply gives text only for replies made with the
// private key that matches the embedded public key, for the payload the
// signed block names and the request whose nonce it carries.
//   first byte % 4 == 0: the rest is the reply text itself; whatever decodes
//     must be exactly what the service's own reader (which checks the RSA
//     block against the public key) makes of the same bytes, bound to the nonce;
//   == 1: the rest, made into a reply with the other key, must be refused;
//   == 2: the rest, made into a genuine reply, then forged (another payload
//     under its block), replayed (another nonce) and sent in the older form:
//     each refused for its reason;
//   == 3: the rest, made into a reply with the right key, must come back whole.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "base64.h"
#include "fuzz_check.h"
#include "reply_codec.h"
#include "tools/common/protected_reply.h"

using namespace tavrin;

namespace {

using tavrin::base64Decode;
using tavrin::base64Encode;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Keys {
  std::string rightPrivate = readFile(TAVRIN_TEST_DATA "/keys/test_private.pem");
  std::string otherPrivate = readFile(TAVRIN_TEST_DATA "/keys/other_private.pem");
  std::string rightPublic = readFile(TAVRIN_TEST_DATA "/keys/test_public.pem");
};

const Keys& keys() {
  static const Keys loaded;
  return loaded;
}

// A fixed symmetric key and nonce from the input, so that a finding replays exactly.
std::string sixteenBytesFrom(const std::string& payload, char seed) {
  std::string bytes(16, seed);
  for (size_t i = 0; i < payload.size() && i < 16; ++i) bytes[i] = static_cast<char>(bytes[i] ^ payload[i]);
  return bytes;
}

ReplyBinding strictBinding(const std::string& nonce) {
  ReplyBinding binding;
  binding.nonce = nonce;
  return binding;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Keys& k = keys();
  FUZZ_CHECK(!k.rightPrivate.empty() && !k.otherPrivate.empty() && !k.rightPublic.empty(), "test keys readable");
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string key = sixteenBytesFrom(rest, '\x5a');
  const std::string nonce = sixteenBytesFrom(rest, '\x3c');

  switch (data[0] % 4) {
    case 0: {
      // The launcher reads Base64 leniently (bytes outside the alphabet are
      // skipped), the service's reader strictly: compare on the bytes the
      // launcher actually decodes. Whatever is taken must be a bound reply of
      // the key, for exactly this nonce.
      const DecodedReply decoded = decodeReply(rest, strictBinding(nonce));
      const std::string canonical = base64Encode(base64Decode(rest));
      if (decoded.accepted()) {
        FUZZ_CHECK(decoded.payload == openProtectedReply(canonical, k.rightPublic),
                   "text only for replies made with the key");
        const std::string content = openReplyContent(canonical, k.rightPublic);
        FUZZ_CHECK(content.size() == 64 && content.compare(48, 16, nonce) == 0, "taken only when bound to this nonce");
      }
      break;
    }
    case 1: {
      const std::string reply = makeBoundReply(rest, k.otherPrivate, key, nonce);
      FUZZ_CHECK(!reply.empty(), "a reply can be made with the other key");
      FUZZ_CHECK(!decodeReply(reply, strictBinding(nonce)).accepted(), "a reply made with another key is refused");
      break;
    }
    case 2: {
      // A genuine reply read by an attacker: its key re-used for another
      // payload, or the reply replayed to another request, is refused.
      const std::string genuine = makeBoundReply(rest, k.rightPrivate, key, nonce);
      FUZZ_CHECK(!genuine.empty(), "a reply can be made with the right key");
      const std::string content = openReplyContent(genuine, k.rightPublic);
      FUZZ_CHECK(content.size() == 64, "the block carries key, digest and nonce");
      std::string decoded = base64Decode(genuine);
      const std::string forged = base64Encode(decoded.substr(0, 128) + encryptReplyPayload(rest + "!", content));
      FUZZ_CHECK(decodeReply(forged, strictBinding(nonce)).verdict == ReplyVerdict::DigestMismatch,
                 "another payload under a genuine block is refused");
      FUZZ_CHECK(
          decodeReply(genuine, strictBinding(sixteenBytesFrom(rest, '\x3d'))).verdict == ReplyVerdict::StaleNonce,
          "a reply made for another request is refused");
      const std::string legacy = makeProtectedReply(rest, k.rightPrivate, key);
      FUZZ_CHECK(decodeReply(legacy, strictBinding(nonce)).verdict == ReplyVerdict::LegacyForm,
                 "the older form is refused unless asked for");
      ReplyBinding lenient = strictBinding(nonce);
      lenient.acceptLegacy = true;
      FUZZ_CHECK(rest.empty() || decodeReply(legacy, lenient).payload == rest,
                 "the older form is taken when asked for");
      break;
    }
    default: {
      const std::string reply = makeBoundReply(rest, k.rightPrivate, key, nonce);
      FUZZ_CHECK(!reply.empty(), "a reply can be made with the right key");
      const DecodedReply decoded = decodeReply(reply, strictBinding(nonce));
      // An empty payload decrypts to nothing, which is no reply.
      FUZZ_CHECK(rest.empty() ? !decoded.accepted() : decoded.payload == rest,
                 "a reply made with the key comes back whole");
      break;
    }
  }
  return 0;
}
