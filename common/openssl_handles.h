// Owners for libcrypto objects, shared by the launcher, the development
// service and their tests. No Windows header here: the native builds use it.
#pragma once

#include <openssl/bio.h>
#include <openssl/evp.h>

#include <memory>

namespace tavrin {

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct PkeyContextFree {
  void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
struct DigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

using BioOwner = std::unique_ptr<BIO, BioFree>;
using PkeyOwner = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyContextOwner = std::unique_ptr<EVP_PKEY_CTX, PkeyContextFree>;
using CipherContextOwner = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;
using DigestContextOwner = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

}  // namespace tavrin
