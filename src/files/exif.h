// What a photograph's Exif block says about how to show it: the Orientation
// and the resolution from its first image directory.
#pragma once

#include <cstddef>
#include <cstdint>

struct ExifFacts {
  bool exif = false;        // the bytes are an Exif block with a readable TIFF header
  int32_t orientation = 1;  // 1 to 8, as in a TIFF file; 1 when absent or unusable
  double resolution = 0.0;  // XResolution in pixels per inch; 0 when absent or unusable
};

// `data` is an APP1 segment's payload, from "Exif\0\0" on, in either byte
// order. Only the first image directory (IFD0) is read, and every offset is
// checked against `length`: damaged or missing fields keep their defaults,
// and nothing outside the bytes given is ever read.
ExifFacts ReadExif(const uint8_t* data, size_t length);
