// Pictures as cameras, phones and other programs write them: PNG files made
// by Pillow and ImageMagick against TIFF twins of the same pixels (made by
// the same tools), and JPEG photographs whose Exif Orientation exiftool set,
// against the upright picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core/parallel.h"
#include "files/import.h"
#include "render/render_state.h"
#include "support/files.h"
#include "support/pictures.h"
#include "support/profiles.h"

namespace {

// Argument 1: the folder; argument 2: an ICC profile to embed. The script
// ends with a photograph 37 x 21 at 150 pixels per inch in a wide-gamut space,
// then stored in each orientation, in both Exif byte orders.
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
def white(picture, mode="RGB"):  # a transparent picture over white, by Pillow
    return Image.alpha_composite(Image.new("RGBA", picture.size, "white"), picture.convert("RGBA")).convert(mode)
rgb = Image.new("RGB", (W, H))
rgb.putdata([tuple(px(x, y, c) for c in range(3)) for y in range(H) for x in range(W)])
rgba = rgb.copy()
rgba.putalpha(Image.frombytes("L", (W, H), bytes((x * 40 + y * 19) % 256 for y in range(H) for x in range(W))))
gray, palette, trns, g16 = rgb.convert("L"), rgb.quantize(16), rgb.quantize(16), Image.new("I;16", (W, H))
g16.putdata([px(x, y, 0) * 257 + x * 3 for y in range(H) for x in range(W)])
trns.info["transparency"] = bytes((i * 17) % 256 for i in range(16))
for name, png, tif, options in [
        ("rgb8", rgb, rgb, {"dpi": (150, 150)}), ("gray8", gray, gray, {}), ("rgb8-icc", rgb, rgb, {"icc_profile": icc}),
        ("gray1", gray.convert("1"), gray.convert("1").convert("L"), {}), ("gray16", g16, g16, {}),
        ("palette", palette, palette.convert("RGB"), {}), ("palette-trns", trns, white(trns), {}),
        ("rgba8", rgba, white(rgba), {}), ("gray-alpha8", rgba.convert("LA"), white(rgba.convert("LA"), "L"), {})]:
    png.save(f"{d}/{name}.png", **options)
    tif.save(f"{d}/{name}.tif", **options)
im(pam("rgb16", 3), "-depth", "16", f"{d}/rgb16.png")
im(f"{d}/rgb16.pam", "-depth", "16", "-compress", "none", f"{d}/rgb16.tif")
im(pam("rgba16", 4), "-depth", "16", f"{d}/rgba16.png")
im(f"{d}/rgba16.png", "-background", "white", "-alpha", "remove", "-alpha", "off", "-depth", "16", "-compress", "none",
   f"{d}/rgba16.tif")  # ImageMagick, as Pillow has no 16-bit colour
for name in ("rgba8", "rgb16"):  # the twins are those of the same pixels stored plainly
    im(f"{d}/{name}.png", "-interlace", "PNG", f"{d}/{name}-interlaced.png")
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

}  // namespace

// Both kinds of picture come from one run of the script, which needs its tools.
TEST(PicturesTest, PngsEqualTheirTiffTwinsAndPhotographsStandUprightInEveryOrientation) {
  if (!Available("command -v convert && command -v exiftool && /usr/bin/python3 -c 'import PIL'"))
    GTEST_SKIP() << "needs /usr/bin/python3 with Pillow, ImageMagick's convert and exiftool";
  TempFolder folder;
  WriteAll(folder.Path("wide.icc"), WideGamutProfile());
  std::ofstream(folder.Path("make.py")) << kMakePictures;
  ASSERT_TRUE(Available("/usr/bin/python3 " + folder.Path("make.py") + " " + folder.Root().string() + " " +
                        folder.Path("wide.icc")));
  // The picture as the design holds it after loading, with the file's profile.
  auto load = [&](const std::string& name, int32_t type, IccProfile* profile) {
    SceneSettings scene;
    InitScene(&scene);
    std::string lastFolder;
    ErrorCapture errors;
    EXPECT_EQ(LoadPicture(folder.Path(name), type, &scene, profile, &lastFolder), 0) << name;
    EXPECT_EQ(errors.messages, std::vector<std::string>{}) << name;
    return scene.picture.raster;
  };
  for (const std::string name :
       {"gray1", "gray8", "gray16", "palette", "palette-trns", "rgb8", "rgb16", "gray-alpha8", "rgba8",
        "rgba16", "rgba8-interlaced", "rgb16-interlaced", "rgb8-icc"}) {
    SCOPED_TRACE(name);
    IccProfile pngProfile, tiffProfile;
    const auto png = load(name + ".png", kPicturePng, &pngProfile);
    const auto tiff = load(name.substr(0, name.find("-interlaced")) + ".tif", kPictureTiff, &tiffProfile);
    ASSERT_TRUE(png && tiff);
    EXPECT_TRUE(SamePixels(*png, *tiff));
    // 150 pixels per inch as Pillow stores it: 5906 per metre.
    EXPECT_NEAR(png->resolution, name == "rgb8" ? 5906 * 0.0254 : 96, 1e-9);
    EXPECT_EQ(pngProfile, tiffProfile);
  }
  // Converted from the wide-gamut profile alongside the decoder.
  SetWorkerThreads(3);
  IccProfile profile;
  const auto stored = load("photo1.jpg", kPictureJpeg, &profile);
  ASSERT_TRUE(stored);
  const int w = stored->width, h = stored->height;
  for (int n = 1; n <= 8; ++n) {
    SCOPED_TRACE(n);
    const auto upright = load("photo" + std::to_string(n) + ".jpg", kPictureJpeg, &profile);
    ASSERT_TRUE(upright);
    // Orientation n puts the stored top row and left column on these sides.
    const bool exchanged = n >= 5, right = n == 2 || n == 3 || n == 6 || n == 7,
               bottom = n == 3 || n == 4 || n >= 7;
    ASSERT_EQ(std::tuple(upright->width, upright->height, upright->resolution),
              std::tuple(exchanged ? h : w, exchanged ? w : h, 150.0));
    int mismatches = 0;
    for (int sy = 0; sy < h; ++sy)
      for (int sx = 0; sx < w; ++sx) {
        const int x = exchanged ? sy : sx, y = exchanged ? sx : sy;  // from the top left, before mirroring
        const uint8_t* row = upright->rows[bottom ? y : upright->height - 1 - y];
        mismatches += std::memcmp(row + 3 * (right ? upright->width - 1 - x : x),
                                  stored->rows[h - 1 - sy] + 3 * sx, 3) != 0;
      }
    EXPECT_EQ(mismatches, 0);
  }
  SetWorkerThreads(0);
}
