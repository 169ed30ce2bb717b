// What every fuzz target uses to report a broken invariant: the message on
// standard error, then abort(), which libFuzzer records as a finding and
// saves the input for.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, message)                                          \
  do {                                                                          \
    if (!(condition)) {                                                         \
      std::fprintf(stderr, "invariant broken: %s (%s)\n", message, #condition); \
      std::abort();                                                             \
    }                                                                           \
  } while (0)
