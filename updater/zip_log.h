// The archive messages: "<message> 错误代码：0x<code>" in the ANSI code page,
// formatted into 256 bytes, to the debugger output.
#pragma once

#include <cstdint>

namespace tavrin {

// `utf8Message` is converted to the ANSI code page before it is sent.
void logZipFailure(const char* utf8Message, uint32_t code);

}  // namespace tavrin
