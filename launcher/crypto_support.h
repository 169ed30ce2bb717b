// The RSA owner the launcher uses (the others are in openssl_handles.h) and the lower-case
// hexadecimal form of a digest. No Windows header here.
#pragma once

// The 1.0-style RSA calls are deprecated in OpenSSL 3.0 but still provided.
#ifndef OPENSSL_SUPPRESS_DEPRECATED
#define OPENSSL_SUPPRESS_DEPRECATED
#endif

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstddef>
#include <memory>
#include <string>

#include "openssl_handles.h"

namespace tavrin {

struct RsaFree {
  void operator()(RSA* rsa) const { RSA_free(rsa); }
};
using RsaOwner = std::unique_ptr<RSA, RsaFree>;

// Two digits per byte, high nibble first.
inline std::string lowerHex(const unsigned char* bytes, std::size_t length) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

}  // namespace tavrin
