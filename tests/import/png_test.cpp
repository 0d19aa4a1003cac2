// Pictures as cameras, phones and other programs write them: PNG files made
// by Pillow and ImageMagick against TIFF twins of the same pixels (made by
// the same tools), and JPEG photographs whose Exif Orientation exiftool set,
// against the upright picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/parallel.h"
#include "files/import.h"
#include "render/render_state.h"
#include "support/files.h"
#include "support/pictures.h"
#include "support/profiles.h"

namespace {

// Argument 1: the folder; argument 2: an ICC profile to embed.
constexpr const char* kMakePictures = R"(
import sys, subprocess, struct
from PIL import Image
d, icc = sys.argv[1], open(sys.argv[2], "rb").read()
W, H = 23, 13
def px(x, y, c): return (x * 37 + y * 91 + c * 71 + x * y * 5) % 256
def im(*cmd): subprocess.run(["convert", *cmd], check=True)
def pam(name, channels):  # 16-bit samples that use every bit
    body = b"".join(struct.pack(">H", (px(x, y, c) * 251 + c * 3001 + x * 17) % 65536)
                    for y in range(H) for x in range(W) for c in range(channels))
    kind = b"RGB_ALPHA" if channels == 4 else b"RGB"
    open(f"{d}/{name}.pam", "wb").write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 65535\nTUPLTYPE %s\nENDHDR\n"
                                        % (W, H, channels, kind) + body)
    return f"{d}/{name}.pam"
def over_white(picture, name, mode="RGB"):  # the twin of a transparent picture, by Pillow
    white = Image.new("RGBA", picture.size, "white")
    Image.alpha_composite(white, picture.convert("RGBA")).convert(mode).save(f"{d}/{name}.tif")
rgb = Image.new("RGB", (W, H))
rgb.putdata([tuple(px(x, y, c) for c in range(3)) for y in range(H) for x in range(W)])
rgba = rgb.copy()
rgba.putalpha(Image.frombytes("L", (W, H), bytes((x * 40 + y * 19) % 256 for y in range(H) for x in range(W))))
gray = rgb.convert("L")
for name, picture, options in [("rgb8", rgb, {}), ("rgb8-dpi", rgb, {"dpi": (150, 150)}), ("gray8", gray, {}),
                               ("rgb8-icc", rgb, {"icc_profile": icc})]:
    picture.save(f"{d}/{name}.png", **options)
    picture.save(f"{d}/{name}.tif", **options)
gray.convert("1").save(f"{d}/gray1.png")
gray.convert("1").convert("L").save(f"{d}/gray1.tif")
for bits in (2, 4):
    gray.point(lambda v: (v >> (8 - bits)) * (255 // ((1 << bits) - 1))).save(f"{d}/gray{bits}.tif")
    im(f"{d}/gray{bits}.tif", "-define", f"png:bit-depth={bits}", "-define", "png:color-type=0", f"{d}/gray{bits}.png")
g16 = Image.new("I;16", (W, H))
g16.putdata([px(x, y, 0) * 257 + x * 3 for y in range(H) for x in range(W)])
g16.save(f"{d}/gray16.png")
g16.save(f"{d}/gray16.tif")
palette = rgb.quantize(16)
palette.save(f"{d}/palette.png")
palette.convert("RGB").save(f"{d}/palette.tif")
palette.save(f"{d}/palette-trns.png", transparency=bytes((i * 17) % 256 for i in range(16)))
over_white(Image.open(f"{d}/palette-trns.png"), "palette-trns")
rgba.save(f"{d}/rgba8.png")
over_white(rgba, "rgba8")
rgba.convert("LA").save(f"{d}/gray-alpha8.png")
over_white(rgba.convert("LA"), "gray-alpha8", "L")
im(pam("rgb16", 3), "-depth", "16", f"{d}/rgb16.png")
im(f"{d}/rgb16.pam", "-depth", "16", "-compress", "none", f"{d}/rgb16.tif")
im(pam("rgba16", 4), "-depth", "16", f"{d}/rgba16.png")
im(f"{d}/rgba16.png", "-background", "white", "-alpha", "remove", "-alpha", "off", "-depth", "16", "-compress", "none",
   f"{d}/rgba16.tif")  # ImageMagick, as Pillow has no 16-bit colour
im(f"{d}/rgba8.png", "-interlace", "PNG", f"{d}/rgba8-interlaced.png")
over_white(rgba, "rgba8-interlaced")
im(f"{d}/rgb16.png", "-interlace", "PNG", f"{d}/rgb16-interlaced.png")
im(f"{d}/rgb16.pam", "-depth", "16", "-compress", "none", f"{d}/rgb16-interlaced.tif")
# A photograph 37 x 21 at 150 pixels per inch in a wide-gamut space, then
# stored in each orientation, in both Exif byte orders.
photo = Image.new("RGB", (37, 21))
photo.putdata([(x * 7, y * 12, (x * y) % 256) for y in range(21) for x in range(37)])
photo.save(f"{d}/photo.jpg", dpi=(150, 150), quality=95, icc_profile=icc)
for n in range(1, 9):
    subprocess.run(["exiftool", "-q", "-n", f"-Orientation={n}", "-ExifByteOrder=" + ("II" if n % 2 else "MM"),
                    "-o", f"{d}/photo{n}.jpg", f"{d}/photo.jpg"], check=True)
)";

bool Available(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class PicturesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Available("command -v convert") || !Available("command -v exiftool") ||
        !Available("/usr/bin/python3 -c 'import PIL'")) {
      return;
    }
    folder_ = std::make_unique<TempFolder>();
    WriteAll(folder_->Path("wide.icc"), WideGamutProfile());
    std::ofstream(folder_->Path("make.py")) << kMakePictures;
    made_ = Available("/usr/bin/python3 " + folder_->Path("make.py") + " " + folder_->Root().string() + " " +
                      folder_->Path("wide.icc"));
  }
  static void TearDownTestSuite() { folder_.reset(); }
  void SetUp() override {
    if (!folder_) GTEST_SKIP() << "needs /usr/bin/python3 with Pillow, ImageMagick's convert and exiftool";
    ASSERT_TRUE(made_);
  }

  // The picture as the design holds it after loading, with the file's profile.
  std::shared_ptr<const Image> Load(const std::string& name, int32_t type, IccProfile* profile = nullptr) {
    SceneSettings scene;
    InitScene(&scene);
    IccProfile ignored;
    std::string folder;
    ErrorCapture errors;
    EXPECT_EQ(LoadPicture(folder_->Path(name), type, &scene, profile ? profile : &ignored, &folder), 0)
        << name;
    EXPECT_EQ(errors.messages, std::vector<std::string>{}) << name;
    return scene.picture.raster;
  }

  static std::unique_ptr<TempFolder> folder_;
  static bool made_;
};

std::unique_ptr<TempFolder> PicturesTest::folder_;
bool PicturesTest::made_ = false;

}  // namespace

TEST_F(PicturesTest, EveryKindOfPngEqualsItsTiffTwin) {
  for (const std::string name :
       {"gray1", "gray2", "gray4", "gray8", "gray16", "palette", "palette-trns", "rgb8", "rgb8-dpi", "rgb16",
        "gray-alpha8", "rgba8", "rgba16", "rgba8-interlaced", "rgb16-interlaced", "rgb8-icc"}) {
    SCOPED_TRACE(name);
    IccProfile pngProfile, tiffProfile;
    const auto png = Load(name + ".png", kPicturePng, &pngProfile);
    const auto tiff = Load(name + ".tif", kPictureTiff, &tiffProfile);
    ASSERT_TRUE(png && tiff);
    EXPECT_TRUE(SamePixels(*png, *tiff));
    // 150 pixels per inch as Pillow stores it: 5906 per metre.
    EXPECT_NEAR(png->resolution, name == "rgb8-dpi" ? 5906 * 0.0254 : 96, 1e-9);
    EXPECT_EQ(pngProfile, tiffProfile);
  }
  // The profile did convert: the same pixels without it come out otherwise.
  IccProfile profile;
  EXPECT_FALSE(SamePixels(*Load("rgb8-icc.png", kPicturePng, &profile), *Load("rgb8.png", kPicturePng)));
  EXPECT_EQ(profile, ReadAll(folder_->Path("wide.icc")));
}

TEST_F(PicturesTest, PhonePhotographsStandUprightInEveryOrientation) {
  // Converted from the wide-gamut profile alongside the decoder.
  SetWorkerThreads(3);
  const auto stored = Load("photo1.jpg", kPictureJpeg);
  ASSERT_TRUE(stored);
  const int w = stored->width, h = stored->height;
  for (int n = 1; n <= 8; ++n) {
    SCOPED_TRACE(n);
    const auto upright = Load("photo" + std::to_string(n) + ".jpg", kPictureJpeg);
    ASSERT_TRUE(upright);
    // Orientation n puts the stored top row and left column on these sides.
    const bool exchanged = n >= 5, right = n == 2 || n == 3 || n == 6 || n == 7,
               bottom = n == 3 || n == 4 || n >= 7;
    ASSERT_EQ(std::tuple(upright->width, upright->height, upright->resolution),
              std::tuple(exchanged ? h : w, exchanged ? w : h, 150.0));
    int mismatches = 0;
    for (int sy = 0; sy < h; ++sy) {
      for (int sx = 0; sx < w; ++sx) {
        int x = exchanged ? sy : sx, y = exchanged ? sx : sy;
        if (right) x = upright->width - 1 - x;
        if (bottom) y = upright->height - 1 - y;
        mismatches += std::memcmp(upright->rows[upright->height - 1 - y] + 3 * x,
                                  stored->rows[h - 1 - sy] + 3 * sx, 3) != 0;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
  SetWorkerThreads(0);
}
