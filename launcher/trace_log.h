// The HTTP layer's debug trace: the message is formatted printf-style into
// 1024 bytes (at most 1023 characters), wrapped as "[%s]" into 1536 bytes and
// passed to the debugger output. Nothing is written to a file.
#pragma once

namespace tavrin {

void traceLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Where the wrapped lines go: OutputDebugStringA unless a test installs its
// own sink. Returns the sink that was installed before; null restores the
// debugger output.
using TraceSink = void (*)(const char* line);
TraceSink setTraceSinkForTests(TraceSink sink);

}  // namespace tavrin
