#pragma once
// The entry point every fuzz target defines. libFuzzer calls it with inputs
// it makes; ReplayMain.cpp calls it with the files of a corpus, so the
// regular build runs the seeds and every kept crash input too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A property every input must keep; a broken one stops the run like a crash.
#define ZEL_FUZZ_CHECK(condition)                                                        \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)
