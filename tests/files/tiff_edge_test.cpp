// Hand-made and damaged TIFF files, with worked numbers for every compression.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "support/pictures.h"
#include "support/tiff.h"

namespace {

// A valid 2 x 2 Gray8 picture in one strip; rows 10 20 / 30 40.
HandTiff Gray2x2() {
  HandTiff t;
  for (auto [tag, value] :
       {std::pair{kImageWidth, 2}, {kImageLength, 2}, {kBitsPerSample, 8}, {kPhotometricInterpretation, 1}})
    t.Add(tag, kShort, 1, value);
  t.AddData(kStripOffsets, kLong, 1, {10, 20, 30, 40});
  t.Add(kStripByteCounts, kLong, 1, 4);
  return t;
}

// The same picture in the corner of one 16 x 16 tile.
HandTiff Tiled() {
  HandTiff t = Gray2x2();
  t.fields.resize(4);
  t.blobs.assign(256, 99);
  t.blobs[0] = 10, t.blobs[1] = 20, t.blobs[16] = 30, t.blobs[17] = 40;
  t.Add(kTileWidth, kShort, 1, 16);
  t.Add(kTileLength, kShort, 1, 16);
  t.fields.push_back({kTileOffsets, kLong, 1, 0, true});
  t.Add(kTileByteCounts, kLong, 1, 256);
  return t;
}

struct Field {
  uint16_t tag = 0;
  uint32_t value = 0;
  uint16_t type = kShort;
  uint32_t count = 1;  // 0 removes the tag
};

// The picture's pixels from its top left, row by row.
std::array<int, 4> TopDown(const Image& image) {
  return {image.rows[1][0], image.rows[1][1], image.rows[0][0], image.rows[0][1]};
}

// `t` with each field replaced, added in tag order, or removed.
HandTiff Changed(HandTiff t, std::initializer_list<Field> changes) {
  for (const Field& change : changes) {
    auto at = std::find_if(t.fields.begin(), t.fields.end(), [&](auto& f) { return f.tag >= change.tag; });
    if (at != t.fields.end() && at->tag == change.tag) at = t.fields.erase(at);
    if (change.count != 0) t.fields.insert(at, {change.tag, change.type, change.count, change.value});
  }
  return t;
}

TEST(TiffEdge, WorkedNumbersCodedRefusedAndDamagedFiles) {
  Image image;
  // 118.11 pixels per centimetre is about 300 per inch (2.540005 cm to the inch).
  HandTiff cm = Gray2x2();
  cm.AddData(kXResolution, kRational, 1, {0x5E, 0xCD, 0x01, 0, 0xE8, 0x03, 0, 0});  // 118110 / 1000
  cm.Add(kResolutionUnit, kShort, 1, 3);
  ASSERT_EQ(ReadMemory(cm.Build(), &image), 0);
  EXPECT_NEAR(image.resolution, 118.11 * 2.540005, 1e-9);

  // Without BitsPerSample a sample has one bit: rows 10 / 01 (bits from the
  // left); without XResolution 300 ppi.
  HandTiff bilevel = Changed(Gray2x2(), {{kBitsPerSample, 0, kShort, 0}, {kStripByteCounts, 2, kLong}});
  bilevel.blobs = {0x80, 0x40};
  ASSERT_EQ(ReadMemory(bilevel.Build(), &image), 0);
  EXPECT_EQ(std::tuple(image.type, GetBit(image.rows[1], 0), GetBit(image.rows[1], 1),
                       GetBit(image.rows[0], 1), image.resolution),
            std::tuple(Bilevel, 1, 0, 1, 300.0));

  // A palette of four gray entries, and an index beyond it.
  auto palette = [](std::vector<uint8_t> indices) {
    HandTiff t = Changed(Gray2x2(), {{kImageWidth, 4}, {kImageLength, 1}, {kPhotometricInterpretation, 3}});
    t.blobs = indices;
    t.AddData(kColorMap, kShort, 12,
              Shorts({0, 0x4000, 0x8000, 0xFF00, 0, 0x4000, 0x8000, 0xFF00, 0, 0x4000, 0x8000, 0xFF00}));
    return t.Build();
  };
  ASSERT_EQ(ReadMemory(palette({3, 2, 1, 0}), &image), 0);
  EXPECT_EQ(ReadMemory(palette({3, 2, 4, 0}), &image), 1);  // index just beyond the map
  EXPECT_EQ(image.rows, nullptr);

  // Two one-row strips with wrong byte counts load with the computed ones;
  // byte counts for three strips against two offsets do not load.
  HandTiff strips = Gray2x2();
  strips.fields[0].value = 3;
  const uint32_t pixels = 8 + 2 + 12 * 7 + 4 + 8;  // after the directory and the counts
  strips.fields[4] = {kStripOffsets, kShort, 2, pixels | (pixels + 3) << 16};
  strips.fields[5] = {kRowsPerStrip, kShort, 1, 1};
  strips.blobs.clear();
  // The two counts, then the pixels.
  strips.AddData(kStripByteCounts, kLong, 2, {99, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4, 5, 6});
  ASSERT_EQ(ReadMemory(strips.Build(), &image), 0);
  EXPECT_EQ(std::tuple(image.rows[1][2], image.rows[0][0]), std::tuple(3, 4));
  strips.fields[6].count = 3;
  EXPECT_EQ(ReadMemory(strips.Build(), &image), 1);

  // Rows 10 20 / 30 40 as a stored Deflate block with its Adler-32, as
  // PackBits (a run of three 7s, then a literal 40) and as LZW; damaged forms
  // and refused files fail with nothing loaded.
  const std::vector<uint8_t> stored = {0x78, 0x01, 0x01, 0x04, 0x00, 0xFB, 0xFF, 10,
                                       20,   30,   40,   0x00, 0xCC, 0x00, 0x65};
  const Field deflate{kCompression, 8}, packBits{kCompression, 32773}, lzw{kCompression, 5};
  const struct {
    const char* name;
    std::initializer_list<Field> changes;
    const char* reason = "";  // the second line the user is shown
    std::vector<uint8_t> strip = {10, 20, 30, 40};
    std::array<int, 4> rows = {-1};  // {-1}: refused
  } cases[] = {
      {"Deflate", {deflate}, "", stored, {10, 20, 30, 40}},
      {"old Deflate code", {{kCompression, 32946}}, "", stored, {10, 20, 30, 40}},
      {"PackBits", {packBits}, "", {0xFE, 7, 0x80, 0x00, 40}, {7, 7, 7, 40}},
      {"short Deflate", {deflate}, "", {0x78, 0x01, 0x01, 0x02, 0, 0xFD, 0xFF, 10, 20, 0, 0x2A, 0, 0x1F}},
      {"bad Adler-32", {deflate}, "", {0x78, 0x01, 0x01, 0x04, 0x00, 0xFB, 0xFF, 10, 20, 30, 40, 0, 0, 0, 0}},
      {"PackBits cut short", {packBits}, "", {0xFE, 7, 0x01, 40}},
      {"PackBits run without its byte", {packBits}, "", {0x01, 10, 20, 0xFF}},
      {"PackBits literal past its strip", {packBits}},  // 10: eleven bytes follow
      {"not a Deflate stream", {deflate}},
      // LZW: nine-bit codes from a clear (256); the end code (257) past the rows is never read.
      {"LZW", {lzw}, "", {0x80, 0x02, 0x82, 0x81, 0xE1, 0x44, 0x04}, {10, 20, 30, 40}},
      {"LZW cleared twice", {lzw}, "", {0x80, 0x40, 0x01, 0x41, 0x40, 0xF0, 0xA2, 0x02}, {10, 20, 30, 40}},
      // 10, 258 (the code being defined), 20
      {"LZW code being defined", {lzw}, "", {0x80, 0x02, 0xA0, 0x41, 0x48, 0x08}, {10, 10, 10, 20}},
      {"LZW string right after a clear", {lzw}, "", {0x80, 0x4B, 0x00}},       // 300
      {"LZW code past the table", {lzw}, "", {0x80, 0x02, 0x82, 0x90, 0x60}},  // 10, 20, 262
      {"LZW strip beyond the file", {{kStripByteCounts, 0xFFFFFFFF, kLong}, lzw}},
      {"LZW in the old bit order", {lzw, {kStripOffsets, 7, kLong}}},  // strip starts 0x00 0x07
      {"NewSubfileType 2", {{kNewSubfileType, 2, kLong}}, "Not supported: more than one picture"},
      {"BitsPerSample 2", {{kBitsPerSample, 2}}},
      {"RGB samples unequal", {{kBitsPerSample, 8, kShort, 3}, {kSamplesPerPixel, 3}}},
      {"CMYK of one sample", {{kPhotometricInterpretation, 5}}},
      {"CMYK in planes", {{kPhotometricInterpretation, 5}, {kSamplesPerPixel, 4}, {kPlanarConfiguration, 2}}},
      {"InkSet 2", {{kPhotometricInterpretation, 5}, {kSamplesPerPixel, 4}, {kInkSet, 2}}},
      {"YCbCr", {{kPhotometricInterpretation, 6}}},
      {"palette without map", {{kPhotometricInterpretation, 3}}},
      {"FillOrder 2", {{kFillOrder, 2}}},
      {"Orientation 9", {{kOrientation, 9}}},
      {"SamplesPerPixel 2", {{kSamplesPerPixel, 2}}},
      {"MinIsWhite RGB", {{kPhotometricInterpretation, 0}, {kSamplesPerPixel, 3}, {kPlanarConfiguration, 2}}},
      {"Predictor 3", {{kPredictor, 3}}},
      {"Predictor on bilevel", {{kBitsPerSample, 1}, {kPredictor, 2}}},
      {"tiles", {{kStripOffsets, 0, kLong, 0}, {kStripByteCounts, 0, kLong, 0}, {kTileWidth, 16}}},
      {"no strip counts", {{kStripOffsets, 0x00500050, kShort, 2}, {kStripByteCounts, 0, kLong, 0}}},
      // Sizes beyond 32 bits are refused before anything is allocated.
      {"width 2^32-1",
       {{kImageWidth, 0xFFFFFFFF, kLong}},
       "The picture has 4294967295 x 2 pixels; at most 536870912 pixels can be read."},
      {"height 0", {{kImageLength, 0, kLong}}},
      {"strip offset past the end", {{kStripOffsets, 0x7FFFFFF0, kLong}}},
      {"huge strip array", {{kStripOffsets, 64, kLong, 0x40000000}}},
      {"huge profile", {{kIccProfile, 64, kUndefined, 0xFFFFFFF0}}},
      {"huge colour map", {{kColorMap, 64, kShort, 0x30000000}, {kPhotometricInterpretation, 3}}},
      {"JPEG compression", {{kCompression, 7}}, "Not supported: JPEG compression"},
      {"old JPEG", {{kCompression, 6}, {kPhotometricInterpretation, 6}}, "Not supported: JPEG compression"},
      {"float", {{kBitsPerSample, 32}, {kSampleFormat, 3}}, "Not supported: floating-point samples"},
  };
  // Each file read over a previous picture, which a refused file drops.
  auto check = [&image](const char* name, const HandTiff& t, std::array<int, 4> rows, const char* reason) {
    SCOPED_TRACE(name);
    AllocImage(&image, Gray8, 5, 5, 72);
    std::string why = "unset";
    const int result = ReadMemory(t.Build(), &image, nullptr, &why);
    EXPECT_EQ((result == 0 ? TopDown(image) : std::array{-result, 0, 0, 0}), rows);
    EXPECT_EQ(std::tuple(image.type == 0, image.rows == nullptr, why), std::tuple(result, result, reason));
  };
  for (const auto& c : cases) {
    HandTiff t = Changed(Gray2x2(), {{kStripByteCounts, uint32_t(c.strip.size()), kLong}});
    t.blobs = c.strip;
    check(c.name, Changed(t, c.changes), c.rows, c.reason);
  }
  // Damaged headers and truncated files.
  const std::vector<uint8_t> good = Gray2x2().Build();
  for (size_t cut : {size_t{0}, size_t{5}, size_t{12}, good.size() - 1})
    EXPECT_EQ(ReadMemory(std::vector<uint8_t>(good.begin(), good.begin() + cut), &image), 1) << cut;
  // BigTIFF, II and MM mixed, a directory past the end.
  for (auto [at, value] : std::initializer_list<std::pair<int, int>>{{2, 43}, {0, 'M'}, {4, 0xF0}}) {
    std::vector<uint8_t> header = good;
    header[at] = static_cast<uint8_t>(value);
    EXPECT_EQ(ReadMemory(header, &image), 1) << at;
  }

  // The tiled picture, and damaged tiles.
  check("tiled", Tiled(), {10, 20, 30, 40}, "");
  // A pair would leave the lists dangling; an aggregate keeps them alive.
  const struct {
    const char* name;
    std::initializer_list<Field> changes;
  } damaged[] = {
      {"tile width not a multiple of 16", {{kTileWidth, 20}}},
      {"no tile length", {{kTileLength, 0}}},
      {"4 GB tiles", {{kTileWidth, 65536, kLong}, {kTileLength, 65536, kLong}}},
      {"tile size overflows", {{kTileWidth, 0x80000000, kLong}, {kTileLength, 0x80000000, kLong}}},
      {"tile outside the file", {{kTileOffsets, 0x7FFFFFF0, kLong}}},
      {"tile past the end", {{kCompression, 8}, {kTileByteCounts, 0x10000, kLong}}},
      {"counts for two tiles, one offset", {{kTileByteCounts, 0, kLong, 2}}},
      {"no tile offsets", {{kTileOffsets, 0, kLong, 0}}},
  };
  for (const auto& d : damaged) check(d.name, Changed(Tiled(), d.changes), {-1}, "");
}

}  // namespace
