// The Exif block of a photograph: its orientation and resolution, alone and inside a JPEG.
#include <cstdio>
#include <cstdlib>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FuzzOutcome outcome = FuzzExif(data, size);
  if (!outcome.fault.empty()) {
    std::fprintf(stderr, "FAULT: %s\n", outcome.fault.c_str());
    std::abort();
  }
  return 0;
}
