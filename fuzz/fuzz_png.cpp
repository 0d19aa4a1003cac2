// PNG import: libpng with transparency, profile and resolution, then the picture as the design takes it.
#include <cstdio>
#include <cstdlib>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FuzzOutcome outcome = FuzzPng(data, size);
  if (!outcome.fault.empty()) {
    std::fprintf(stderr, "FAULT: %s\n", outcome.fault.c_str());
    std::abort();
  }
  return 0;
}
