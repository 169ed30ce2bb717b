#include "request_nonce.h"

#include <windows.h>
#include <wincrypt.h>

#include "crypto_support.h"
#include "handles.h"

namespace tavrin {

namespace {

constexpr DWORD kNonceSize = 16;

}  // namespace

// CryptoAPI's generator: present on every Windows from XP on, and in
// advapi32, which the launcher loads at its start anyway.
bool makeRequestNonce(std::string& nonce) {
  UniqueCryptProvider provider;
  if (!::CryptAcquireContextW(provider.receive(), nullptr, nullptr, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    return false;
  }
  BYTE bytes[kNonceSize] = {};
  if (!::CryptGenRandom(provider.get(), kNonceSize, bytes)) return false;
  nonce.assign(reinterpret_cast<const char*>(bytes), kNonceSize);
  return true;
}

std::string nonceQueryMember(const std::string& nonce) {
  return "&n=" + lowerHex(reinterpret_cast<const unsigned char*>(nonce.data()), nonce.size());
}

}  // namespace tavrin
