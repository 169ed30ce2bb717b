#include "protect_command.h"

#include "protected_reply.h"

#include <fstream>
#include <iostream>
#include <iterator>

namespace {

bool readFile(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

std::string makeReply(const ProtectOptions& options, const std::string& plaintext, const std::string& keyPem) {
  const std::string symmetricKey = makeRandomSymmetricKey();
  if (symmetricKey.empty()) return {};
  if (options.legacy) return makeProtectedReply(plaintext, keyPem, symmetricKey);
  return makeBoundReply(plaintext, keyPem, symmetricKey, options.nonce);
}

}  // namespace

int runProtect(const ProtectOptions& options) {
  std::string keyPem;
  if (!readFile(options.keyPath, keyPem)) {
    std::cerr << "tavrin-devservice: cannot read the key " << options.keyPath << "\n";
    return 1;
  }
  const std::string plaintext((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  const std::string reply = makeReply(options, plaintext, keyPem);
  if (reply.empty()) {
    std::cerr << "tavrin-devservice: cannot protect the text (is the key a 1024-bit RSA private key?)\n";
    return 1;
  }
  std::cout << reply << std::flush;
  return std::cout ? 0 : 1;
}
