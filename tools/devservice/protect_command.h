// "protect": plaintext from standard input, protected reply (Base64) to standard output.
#pragma once

#include <string>

struct ProtectOptions {
  std::string keyPath;  // the private key (PEM)
  bool legacy = false;  // the older form: the RSA block carries the key alone
  std::string nonce;    // bound form: the 16 bytes the reply is bound to
};

// Returns the process exit code.
int runProtect(const ProtectOptions& options);
