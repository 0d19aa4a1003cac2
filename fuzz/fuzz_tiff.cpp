// ReadTiff on any bytes: LZW, Deflate and PackBits, predictor, tiles, planes,
// palettes, CMYK, orientation, the profile tag.
#include <cstdio>
#include <cstdlib>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FuzzOutcome outcome = FuzzTiff(data, size);
  if (!outcome.fault.empty()) {
    std::fprintf(stderr, "FAULT: %s\n", outcome.fault.c_str());
    std::abort();
  }
  return 0;
}
