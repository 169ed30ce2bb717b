// Protected replies of the configuration service: a symmetric key carried in an
// RSA block made with the service's private key, followed by the payload
// encrypted under that key, all sent as Base64 text.
//
// Platform-neutral (standard library and OpenSSL libcrypto only): the native
// development service and the Windows test programs both build it in.
#pragma once

#include <cstddef>
#include <string>

// Two forms share one layout, Base64 (standard alphabet, "=" padding, no line
// breaks) of
//   [128-byte PKCS #1 v1.5 type-1 block of CONTENT made with the private key]
//   [AES-128-CBC of plaintext under the first 16 content bytes and the fixed IV,
//    PKCS #7 padding]
// The bound form (what the launcher accepts): CONTENT is 64 bytes,
//   K (16-byte AES key) || SHA-256 of the ciphertext (32) || N (16-byte nonce
//   of the request the reply answers).
// The legacy form (older services): CONTENT is the 16-byte key alone.
// The private key must be a 1024-bit RSA key in PEM form. Every maker returns
// the empty string on any failure.

constexpr size_t kReplyNonceSize = 16;

// The bound form. symmetricKey and nonce must hold 16 bytes each.
std::string makeBoundReply(const std::string& plaintext, const std::string& privateKeyPem,
                           const std::string& symmetricKey, const std::string& nonce);

// The legacy form: symmetricKey (at least 16 bytes; the cipher takes the first
// 16) is the whole content of the RSA block.
std::string makeProtectedReply(const std::string& plaintext, const std::string& privateKeyPem,
                               const std::string& symmetricKey);

// Any content: the RSA block carries `rsaContent` as it is (at most 117
// bytes), the payload is encrypted under its first 16 bytes. For tests and
// faults that need a reply the launcher must refuse (a wrong digest, a
// content of another length).
std::string makeReplyWithContent(const std::string& plaintext, const std::string& privateKeyPem,
                                 const std::string& rsaContent);

// AES-128-CBC (PKCS #7, fixed IV) of plaintext under the first 16 key bytes.
std::string encryptReplyPayload(const std::string& plaintext, const std::string& symmetricKey);

// The 32 raw bytes of SHA-256 of `bytes`, and its 64 lower-case hexadecimal
// digits (the form of an update offer's "sha256").
std::string sha256Bytes(const std::string& bytes);
std::string sha256Hex(const std::string& bytes);

// 32 lower-case hexadecimal digits of a 16-byte nonce, and back (false unless
// the text is exactly 32 hexadecimal digits of either case).
std::string nonceToHex(const std::string& nonce);
bool nonceFromHex(const std::string& text, std::string& nonce);

// 16 random bytes from the library's generator; empty when it fails. Serves
// as a symmetric key and as a nonce.
std::string makeRandomSymmetricKey();

// The plaintext of a reply of either form, opened with the matching public key
// (PEM, "-----BEGIN PUBLIC KEY-----"); a bound reply's digest is checked, its
// nonce is not. Empty when the text is not such a reply.
std::string openProtectedReply(const std::string& base64Text, const std::string& publicKeyPem);

// The whole content of the RSA block of a reply, recovered with the public
// key (what anyone holding the public key can read); empty on failure.
std::string openReplyContent(const std::string& base64Text, const std::string& publicKeyPem);
