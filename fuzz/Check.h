#pragma once
// Invariant checks of the fuzz targets: a broken one names itself and aborts,
// so that libFuzzer keeps the input as a crash.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond, what)                                                                     \
  do {                                                                                             \
    if (!(cond)) {                                                                                 \
      std::fprintf(stderr, "%s:%d: invariant broken: %s (%s)\n", __FILE__, __LINE__, what, #cond); \
      std::abort();                                                                                \
    }                                                                                              \
  } while (0)
