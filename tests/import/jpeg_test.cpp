// The JPEG decoder and ICC profile assembler against files written by
// libjpeg and against libjpeg's own decode.
#include "files/jpeg.h"

#include <gtest/gtest.h>

#include <cstring>

#include "files/exif.h"
#include "files/tiff_tags.h"
#include "support/files.h"
#include "support/jpeg.h"

namespace {

FileBytes Data(size_t n, uint8_t seed) {
  FileBytes v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 31);
  return v;
}

FileBytes Cat(std::initializer_list<FileBytes> parts) {
  FileBytes all;
  for (const FileBytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

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

struct JpegTest : ::testing::Test {
  std::string Write(const JpegRecipe& recipe) {
    const std::string path = folder.Path("f" + std::to_string(count++) + ".jpg");
    WriteJpeg(path, recipe);
    return path;
  }
  TempFolder folder;
  int count = 0;
};

}  // namespace

TEST_F(JpegTest, ProfileChunksAreJoinedInFileOrder) {
  const FileBytes a = Data(1000, 1), b = Data(700, 2), c = Data(65517, 3), d = Data(64, 7);
  const struct {
    std::vector<FileBytes> app2;
    FileBytes expected;
  } cases[] = {
      {{IccChunk(1, 1, a)}, a},
      {{IccChunk(1, 3, a), IccChunk(2, 3, b), IccChunk(3, 3, c)}, Cat({a, b, c})},
      {{IccChunk(2, 3, b), IccChunk(1, 3, a), IccChunk(3, 3, c)}, Cat({b, a, c})},  // not re-sorted
      {{IccChunk(1, 2, a)}, {}},                                                    // second chunk missing
      {{}, {}},                                                                     // no APP2 at all
      {{FileBytes{'M', 'P', 'F', 0, 1}, IccChunk(1, 1, d, "icc_profile")}, d},  // other user; small letters
      {{FileBytes{'I', 'C', 'C', '_'}, IccChunk(1, 1, d)}, d},                  // shorter than a chunk header
      {{IccChunk(1, 1, {})}, {}},
  };
  for (const auto& c : cases) {
    JpegRecipe recipe;
    recipe.app2 = c.app2;
    const std::string path = Write(recipe);
    FileBytes file = ReadAll(path);
    file.insert(file.begin() + 2, {0xFF, 0xFF, 0xFF});  // fill bytes may pad any marker
    WriteAll(path, file);
    IccProfile profile = {1, 2, 3};
    EXPECT_EQ(ReadJpegIccProfile(path, &profile), 0);
    EXPECT_EQ(profile, c.expected) << count;
  }
  // Not JPEG files, and no file.
  IccProfile profile;
  Image image;
  for (const FileBytes& bad : {FileBytes{'h', 'e', 'l', 'l', 'o'}, FileBytes{0xFF, 0xD8}, FileBytes{}}) {
    WriteAll(folder.Path("bad.jpg"), bad);
    EXPECT_EQ(ReadJpegIccProfile(folder.Path("bad.jpg"), &profile), 1);
    EXPECT_TRUE(profile.empty());
    EXPECT_EQ(DecodeWithImagingLibrary(folder.Path("bad.jpg"), &image), 1);
  }
  EXPECT_EQ(ReadJpegIccProfile(folder.Path("missing.jpg"), &profile), 1);
}

TEST_F(JpegTest, PixelsMatchLibjpegsOwnDecode) {
  // Progressive too: the decoder's working memory counts against the limit,
  // and an ordinary picture stays far inside it.
  for (auto [space, progressive] : {std::pair{JCS_RGB, false}, {JCS_GRAYSCALE, false}, {JCS_RGB, true}}) {
    JpegRecipe recipe;
    recipe.space = space;
    recipe.progressive = progressive;
    recipe.width = 37, recipe.height = 21;  // partial blocks, padded Image rows
    const std::string path = Write(recipe);
    const FileBytes reference = DecodeWithLibjpeg(path);
    Image image;
    ASSERT_EQ(DecodeWithImagingLibrary(path, &image), 0);
    const int n = space == JCS_RGB ? 3 : 1;
    ASSERT_EQ(std::tuple(image.type, image.width, image.height), std::tuple(n == 3 ? Rgb8 : Gray8, 37, 21));
    int mismatches = 0;
    for (int y = 0; y < 21; ++y) {
      const uint8_t* row = image.rows[20 - y];  // rows count from the bottom
      for (int i = 0; i < 37 * n; ++i) {
        const int channel = i % n;  // ours blue-green-red, libjpeg's red-green-blue
        mismatches += row[i] != reference[y * 37 * n + i - channel + (n - 1 - channel)];
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(JpegTest, CmykTruncatedAndOversizedFilesFailCleanly) {
  JpegRecipe recipe;
  recipe.space = JCS_CMYK;
  Image image;
  EXPECT_EQ(DecodeWithImagingLibrary(Write(recipe), &image), 1);
  EXPECT_EQ(image.type, 0);

  // Every cut of a real file either fails with nothing allocated or gives
  // the full picture (libjpeg fills what the data does not reach).
  JpegRecipe color;
  color.app2 = {IccChunk(1, 1, Data(200, 1))};
  const FileBytes whole = ReadAll(Write(color));
  const std::string cut = folder.Path("cut.jpg");
  for (size_t n = 0; n < whole.size(); n += 5) {
    WriteAll(cut, FileBytes(whole.begin(), whole.begin() + n));
    if (DecodeWithImagingLibrary(cut, &image) == 0) {
      EXPECT_EQ(image.width, color.width) << n;
    } else {
      EXPECT_FALSE(image.HasPixels()) << n;
    }
    IccProfile profile;
    if (ReadJpegIccProfile(cut, &profile) != 0) {
      EXPECT_TRUE(profile.empty()) << n;
    }
  }
}

TEST_F(JpegTest, ResolutionFromJfifThenExifElse96) {
  const struct {
    bool jfif;
    int unit, density;
    std::vector<FileBytes> app1;
    double expected;
  } cases[] = {
      {true, 0, 1, {}, 96.0},
      {true, 1, 150, {}, 150.0},
      {true, 2, 118, {}, 118 * 2.54},
      {true, 0, 1, {Exif(300, 1, 0)}, 300.0},  // the unit defaults to inches
      {true, 0, 1, {Exif(720, 10, 3)}, 72 * 2.54},
      {false, 0, 1, {Exif(240, 1, 2)}, 240.0},
      {true, 1, 200, {Exif(300, 1, 2)}, 200.0},                             // JFIF first
      {true, 0, 1, {Exif(300, 1, 2, 0xFFFFFFF0u), Exif(300, 0, 2)}, 96.0},  // damaged Exif
  };
  for (const auto& c : cases) {
    JpegRecipe recipe;
    recipe.jfif = c.jfif;
    recipe.densityUnit = c.unit;
    recipe.density = c.density;
    recipe.app1 = c.app1;
    Image image;
    ASSERT_EQ(DecodeWithImagingLibrary(Write(recipe), &image), 0);
    EXPECT_NEAR(image.resolution, c.expected, 1e-9) << count;
  }
}

TEST(ReadExif, OrientationFromTheFirstDirectoryInEitherByteOrder) {
  const ExifEntry width{kImageWidth, kLong, 1, 4000}, six{kOrientation, kShort, 1, 6};
  FileBytes cutShort = ExifBlock(false, {six, width});
  cutShort.resize(6 + 8 + 2 + 12 + 6);
  const struct {
    FileBytes block;
    bool exif;
    int32_t orientation;
  } cases[] = {
      {ExifBlock(false, {six}), true, 6},
      {ExifBlock(true, {width, {kOrientation, kShort, 1, 8}}), true, 8},
      {ExifBlock(true, {six}, 100), true, 6},                       // directory further on
      {ExifBlock(false, {{kOrientation, kShort, 1, 0}}), true, 1},  // out of range
      {ExifBlock(true, {{kOrientation, kShort, 1, 9}}), true, 1},
      {ExifBlock(false, {{kOrientation, kLong, 1, 6}}), true, 1},   // wrong type
      {ExifBlock(false, {{kOrientation, kShort, 2, 6}}), true, 1},  // wrong count
      {ExifBlock(false, {six}, 0xFFFFFFF0u), true, 1},              // directory far outside
      {cutShort, true, 6},  // the directory ends inside its second entry

      {FileBytes{'E', 'x', 'i', 'f', 0, 1, 'I', 'I', 42, 0, 8, 0, 0, 0}, false, 1},
      {FileBytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'M', 42, 0, 8, 0, 0, 0, 0, 0}, false, 1},
      {FileBytes{'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 43, 0, 0, 0, 8, 0, 0}, false, 1},
  };
  for (const auto& c : cases) {
    const ExifFacts facts = ReadExif(c.block.data(), c.block.size());
    EXPECT_EQ(std::tuple(facts.exif, facts.orientation), std::tuple(c.exif, c.orientation)) << &c - cases;
  }
  // Every cut of a good block, each in a buffer of exactly its length, so
  // that a read past the end is one past the allocation.
  const FileBytes whole = ExifBlock(true, {width, six, {kXResolution, kRational, 1, 50}, {0, 0, 0, 0}});
  for (size_t n = 0; n <= whole.size(); ++n) {
    const FileBytes cut(whole.begin(), whole.begin() + n);
    const int32_t orientation = ReadExif(cut.data(), cut.size()).orientation;
    EXPECT_EQ(orientation, n >= 6 + 8 + 2 + 24 ? 6 : 1) << n;
  }
  EXPECT_EQ(ReadExif(nullptr, 0).orientation, 1);
}

TEST_F(JpegTest, OrientationComesFromTheExifSegmentAndPixelsStayAsStored) {
  JpegRecipe recipe;
  recipe.width = 20, recipe.height = 12;
  const std::string plain = Write(recipe);
  const FileBytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0};
  recipe.app1 = {xmp, ExifBlock(true, {{kOrientation, kShort, 1, 5}}),
                 ExifBlock(false, {{kOrientation, kShort, 1, 7}})};
  const std::string turned = Write(recipe);
  Image stored, turnedImage;
  int32_t orientation = 0;
  ASSERT_EQ(DecodeWithImagingLibrary(plain, &stored, nullptr, {}, &orientation), 0);
  EXPECT_EQ(orientation, 1);
  ASSERT_EQ(DecodeWithImagingLibrary(turned, &turnedImage, nullptr, {}, &orientation), 0);
  EXPECT_EQ(std::tuple(orientation, turnedImage.width, turnedImage.height), std::tuple(5, 20, 12));
  for (int r = 0; r < 12; ++r) EXPECT_EQ(std::memcmp(stored.rows[r], turnedImage.rows[r], 60), 0) << r;
}
