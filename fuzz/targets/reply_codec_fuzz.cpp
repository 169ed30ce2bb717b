// Protected replies: decodeReply gives text only for replies made with the
// private key that matches the embedded public key.
//   first byte % 3 == 0: the rest is the reply text itself; whatever decodes
//     must be exactly what the service's own reader (which checks the RSA
//     block against the public key) makes of the same bytes;
//   == 1: the rest, made into a reply with the other key, must be refused;
//   == 2: the rest, made into a reply with the right key, must come back whole.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "base64.h"
#include "fuzz_check.h"
#include "reply_codec.h"
#include "tools/common/protected_reply.h"

namespace {

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

// A fixed symmetric key from the input, so that a finding replays exactly.
std::string symmetricKeyFrom(const std::string& payload) {
  std::string key(16, '\x5a');
  for (size_t i = 0; i < payload.size() && i < 16; ++i) key[i] = static_cast<char>(key[i] ^ payload[i]);
  return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Keys& k = keys();
  FUZZ_CHECK(!k.rightPrivate.empty() && !k.otherPrivate.empty() && !k.rightPublic.empty(), "test keys readable");
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);

  switch (data[0] % 3) {
    case 0: {
      // The launcher reads Base64 leniently (bytes outside the alphabet are
      // skipped), the service's reader strictly: compare on the bytes the
      // launcher actually decodes.
      const std::string decoded = decodeReply(rest);
      const std::string canonical = base64Encode(base64Decode(rest));
      if (!decoded.empty())
        FUZZ_CHECK(decoded == openProtectedReply(canonical, k.rightPublic), "text only for replies made with the key");
      break;
    }
    case 1: {
      const std::string reply = makeProtectedReply(rest, k.otherPrivate, symmetricKeyFrom(rest));
      FUZZ_CHECK(!reply.empty(), "a reply can be made with the other key");
      FUZZ_CHECK(decodeReply(reply).empty(), "a reply made with another key is refused");
      break;
    }
    default: {
      const std::string reply = makeProtectedReply(rest, k.rightPrivate, symmetricKeyFrom(rest));
      FUZZ_CHECK(!reply.empty(), "a reply can be made with the right key");
      FUZZ_CHECK(decodeReply(reply) == rest, "a reply made with the key comes back whole");
      break;
    }
  }
  return 0;
}
