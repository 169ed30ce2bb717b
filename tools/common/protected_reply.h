// Protected replies of the configuration service: a symmetric key carried in an
// RSA block made with the service's private key, followed by the payload
// encrypted under that key, all sent as Base64 text.
//
// Platform-neutral (standard library and OpenSSL libcrypto only): the native
// development service and the Windows test programs both build it in.
#pragma once

#include <string>

// Base64 (standard alphabet, "=" padding, no line breaks) of
//   [128-byte PKCS #1 v1.5 type-1 block of symmetricKey made with the private key]
//   [AES-128-CBC of plaintext under the first 16 key bytes and the fixed IV, PKCS #7 padding]
// The private key must be a 1024-bit RSA key in PEM form; symmetricKey must hold
// at least 16 bytes. Returns the empty string on any failure.
std::string makeProtectedReply(const std::string& plaintext,
                               const std::string& privateKeyPem,
                               const std::string& symmetricKey);

// 16 random bytes from the library's generator; empty when it fails.
std::string makeRandomSymmetricKey();

// The reverse of makeProtectedReply with the matching public key (PEM,
// "-----BEGIN PUBLIC KEY-----"). Returns the plaintext, or the empty string when
// the text is not a protected reply made with the matching private key.
std::string openProtectedReply(const std::string& base64Text, const std::string& publicKeyPem);
