#include "trace_log.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "debug_log.h"

namespace tavrin {

namespace {

constexpr size_t kMessageBufferSize = 1024;
constexpr size_t kLineBufferSize = 1536;

std::atomic<TraceSink> g_sink{nullptr};

}  // namespace

void traceLog(const char* format, ...) {
  char message[kMessageBufferSize] = {};
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof(message), format, args);
  va_end(args);

  char line[kLineBufferSize] = {};
  std::snprintf(line, sizeof(line), "[%s]", message);
  if (TraceSink sink = g_sink.load()) {
    sink(line);
  } else {
    writeDebugOutput(line);
  }
}

TraceSink setTraceSinkForTests(TraceSink sink) { return g_sink.exchange(sink); }

}  // namespace tavrin
