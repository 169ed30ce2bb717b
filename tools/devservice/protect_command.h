// "protect": plaintext from standard input, protected reply (Base64) to standard output.
#pragma once

#include <string>

// Returns the process exit code.
int runProtect(const std::string& privateKeyPath);
