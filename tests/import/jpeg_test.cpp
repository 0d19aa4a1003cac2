// The JPEG decoder and ICC profile assembler against files written by
// libjpeg and against libjpeg's own decode.
#include "files/jpeg.h"

#include <gtest/gtest.h>

#include "files/exif.h"
#include "files/tiff_tags.h"
#include "support/files.h"
#include "support/jpeg.h"

namespace {

// An Exif APP1 payload with XResolution (stored at `at`, 0 for its right
// place) and, when `unit` is not 0, ResolutionUnit.
FileBytes Exif(uint32_t numerator, uint32_t denominator, uint16_t unit, uint32_t at = 0) {
  std::vector<ExifEntry> entries = {{kXResolution, kRational, 1, at}};
  if (unit != 0) entries.push_back({kResolutionUnit, kShort, 1, unit});
  if (at == 0) entries[0].value = static_cast<uint32_t>(8 + 2 + 12 * entries.size() + 4);
  FileBytes p = ExifBlock(false, entries);
  for (uint32_t v : {numerator, denominator})
    for (int i = 0; i < 4; ++i) p.push_back(uint8_t(v >> (8 * i)));
  return p;
}

}  // namespace

// Every file gets fill bytes before its first marker, which may pad any
// marker. The profile chunks are joined in file order; the resolution comes
// from JFIF, then Exif, else 96; the Orientation from the first Exif segment,
// past others such as XMP, while the pixels stay as stored.
TEST(JpegTest, FilesReadAsLibjpegDecodesThemWithProfileResolutionAndOrientation) {
  const FileBytes a(1000, 1), b(700, 2), c(65517, 3), d(64, 7), xmp = {'h', 't', 't', 'p', ':', '/', '/', 0};
  const FileBytes five = ExifBlock(true, {{kOrientation, kShort, 1, 5}}),
                  seven = ExifBlock(false, {{kOrientation, kShort, 1, 7}});
  FileBytes abc = a, bac = b;
  abc.insert(abc.end(), b.begin(), b.end()), abc.insert(abc.end(), c.begin(), c.end());
  bac.insert(bac.end(), a.begin(), a.end()), bac.insert(bac.end(), c.begin(), c.end());
  // 37 x 21: partial blocks and padded Image rows. Progressive too: the
  // decoder's working memory counts against the limit, and it stays far inside.
  const std::tuple<JpegRecipe, FileBytes, double, int32_t> cases[] = {
      // The density across is the picture's resolution.
      {{.width = 37, .height = 21, .densityUnit = 1, .density = 150, .verticalDensity = 75}, {}, 150, 1},
      {{.width = 37, .height = 21, .space = JCS_GRAYSCALE, .app1 = {Exif(300, 1, 0)}}, {}, 300, 1},  // inches
      {{.width = 37, .height = 21, .progressive = true, .densityUnit = 2, .density = 118}, {}, 118 * 2.54, 1},
      // Not re-sorted; the second chunk missing; another user and small
      // letters; shorter than a chunk header.
      {{.app2 = {IccChunk(1, 3, a), IccChunk(2, 3, b), IccChunk(3, 3, c)}}, abc, 96, 1},
      {{.app2 = {IccChunk(2, 3, b), IccChunk(1, 3, a), IccChunk(3, 3, c)}}, bac, 96, 1},
      {{.app2 = {IccChunk(1, 2, a)}}, {}, 96, 1},
      {{.app2 = {FileBytes{'M', 'P', 'F', 0, 1}, IccChunk(1, 1, d, "icc_profile")}}, d, 96, 1},
      {{.app2 = {FileBytes{'I', 'C', 'C', '_'}, IccChunk(1, 1, d)}}, d, 96, 1},
      {{.app1 = {Exif(720, 10, 3)}}, {}, 72 * 2.54, 1},
      {{.jfif = false, .app1 = {Exif(240, 1, 2)}}, {}, 240, 1},
      {{.densityUnit = 1, .density = 200, .app1 = {Exif(300, 1, 2)}}, {}, 200, 1},  // JFIF first
      {{.app1 = {Exif(300, 1, 2, 0xFFFFFFF0u), Exif(300, 0, 2)}}, {}, 96, 1},       // damaged Exif
      {{.app1 = {xmp, five, seven}}, {}, 96, 5},
  };
  TempFolder folder;
  int row = 0;
  for (const auto& [recipe, profile, resolution, orientation] : cases) {
    SCOPED_TRACE(row);
    const std::string path = folder.Path(std::to_string(row++) + ".jpg");
    WriteJpeg(path, recipe);
    FileBytes file = ReadAll(path);
    file.insert(file.begin() + 2, {0xFF, 0xFF, 0xFF});
    WriteAll(path, file);
    IccProfile read = {1, 2, 3};
    EXPECT_EQ(ReadJpegIccProfile(path, &read), 0);
    Image image;
    int32_t turned = 0;
    ASSERT_EQ(DecodeWithImagingLibrary(path, &image, nullptr, {}, &turned), 0);
    const int n = recipe.space == JCS_RGB ? 3 : 1;
    EXPECT_EQ(std::tuple(read, turned, image.type, image.width, image.height),
              std::tuple(profile, orientation, n == 3 ? Rgb8 : Gray8, recipe.width, recipe.height));
    EXPECT_NEAR(image.resolution, resolution, 1e-9);
    FileBytes ours;  // as libjpeg gives it: top row first, red-green-blue
    for (int y = recipe.height - 1; y >= 0; --y)
      for (int i = 0; i < recipe.width * n; ++i) ours.push_back(image.rows[y][i + n - 1 - 2 * (i % n)]);
    EXPECT_EQ(ours, DecodeWithLibjpeg(path));
  }
}

TEST(ReadExif, OrientationFromTheFirstDirectoryInEitherByteOrder) {
  const ExifEntry width{kImageWidth, kLong, 1, 4000}, six{kOrientation, kShort, 1, 6};
  const std::tuple<FileBytes, bool, int32_t> cases[] = {
      {ExifBlock(false, {six}), true, 6},
      {ExifBlock(true, {width, {kOrientation, kShort, 1, 8}}), true, 8},
      {ExifBlock(true, {six}, 100), true, 6},                       // directory further on
      {ExifBlock(false, {{kOrientation, kShort, 1, 0}}), true, 1},  // out of range
      {ExifBlock(true, {{kOrientation, kShort, 1, 9}}), true, 1},
      {ExifBlock(false, {{kOrientation, kLong, 1, 6}}), true, 1},   // wrong type
      {ExifBlock(false, {{kOrientation, kShort, 2, 6}}), true, 1},  // wrong count
      {ExifBlock(false, {six}, 0xFFFFFFF0u), true, 1},              // directory far outside
      {FileBytes{'E', 'x', 'i', 'f', 0, 1, 'I', 'I', 42, 0, 8, 0, 0, 0}, false, 1},
      {FileBytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'M', 42, 0, 8, 0, 0, 0, 0, 0}, false, 1},
      {FileBytes{'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 43, 0, 0, 0, 8, 0, 0}, false, 1},
  };
  for (const auto& [block, exif, orientation] : cases) {
    const ExifFacts facts = ReadExif(block.data(), block.size());
    EXPECT_EQ(std::tuple(facts.exif, facts.orientation), std::tuple(exif, orientation)) << block.size();
  }
  // Every cut of a good block, each in a buffer of exactly its length, so
  // that a read past the end is one past the allocation.
  const FileBytes whole = ExifBlock(true, {width, six, {kXResolution, kRational, 1, 50}, {0, 0, 0, 0}});
  for (size_t n = 0; n <= whole.size(); ++n) {
    const FileBytes cut(whole.begin(), whole.begin() + n);
    EXPECT_EQ(ReadExif(cut.data(), cut.size()).orientation, n >= 6 + 8 + 2 + 24 ? 6 : 1) << n;
  }
}
