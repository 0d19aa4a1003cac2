// Importing a 24-megapixel JPEG through LoadPicture (decode, profile scan,
// hand-over as the picture) beside libjpeg-turbo decoding the same file into
// one buffer of memory; and the same picture carrying a wide-gamut (Adobe
// RGB (1998)-like) profile, converted into sRGB as it is imported.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "files/import.h"
#include "render/render_state.h"
#include "wide_gamut.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Smooth gradients with fine noise, written once at quality 90, with the
// given profile embedded.
std::string WritePicture(const char* name, const IccProfile& profile) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("passavue-jpeg-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string path = (folder / name).string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  if (!profile.empty()) jpeg_write_icc_profile(&cinfo, profile.data(), static_cast<unsigned>(profile.size()));
  std::vector<uint8_t> row(3 * kWidth);
  uint32_t seed = 20261206u;
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < kWidth; ++x) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      const int noise = static_cast<int>(seed & 15) - 8;
      const int gx = 255 * x / kWidth;
      const int gy = 255 * y / kHeight;
      const int v[3] = {gx, gy, (gx + 255 - gy) / 2};
      for (int c = 0; c < 3; ++c) {
        const int s = v[c] + noise;
        row[3 * x + c] = static_cast<uint8_t>(s < 0 ? 0 : (s > 255 ? 255 : s));
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
  return path;
}

const std::string& PicturePath() {
  static const std::string path = WritePicture("photo.jpg", IccProfile());
  return path;
}

const std::string& WideGamutPicturePath() {
  static const std::string path = WritePicture("wide.jpg", AdobeRgbLikeProfile());
  return path;
}

void Import(benchmark::State& state, const std::string& path) {
  SceneSettings scene;
  InitScene(&scene);
  IccProfile profile;
  std::string lastFolder;
  for (auto _ : state) {
    if (LoadPicture(path, kPictureJpeg, &scene, &profile, &lastFolder) != 0)
      state.SkipWithError("load failed");
    benchmark::DoNotOptimize(scene.picture.raster.get());
  }
}

void Ours(benchmark::State& state) { Import(state, PicturePath()); }
void OursWideGamut(benchmark::State& state) { Import(state, WideGamutPicturePath()); }

// libjpeg-turbo's own decode of the same file into one contiguous buffer,
// allocated for each picture as any program holding a decoded picture must.
void Peer(benchmark::State& state) {
  const std::string& path = PicturePath();
  for (auto _ : state) {
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[static_cast<size_t>(3) * kWidth * kHeight]);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(3) * cinfo.output_width;
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW rows[1] = {pixels.get() + stride * cinfo.output_scanline};
      jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    benchmark::DoNotOptimize(pixels.get());
  }
}

}  // namespace

BENCHMARK(Ours)->Name("ours/import_jpeg_24mp")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OursWideGamut)
    ->Name("ours/import_jpeg_24mp_adobe_rgb")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(Peer)->Name("peer/import_jpeg_24mp")->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(PicturePath()).parent_path(), ignored);
  std::filesystem::remove_all(std::filesystem::path(WideGamutPicturePath()).parent_path(), ignored);
  return 0;
}
