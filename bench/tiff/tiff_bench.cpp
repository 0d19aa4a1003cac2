// ReadTiff against libtiff's scanline reader on the same 6000 x 4000 RGB
// files (written once by libtiff with its default strips; Deflate through
// libdeflate in Debian's libtiff, zlib in ours, which decodes strips on the
// worker threads, hence wall times), and WriteTiff of
// a 20000 x 20000 composite against writing the same bytes with one write()
// per row. Both sides read into (or write from) memory allocated once.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "files/tiff.h"

namespace {

constexpr uint32_t kWidth = 6000, kHeight = 4000;

std::filesystem::path Folder() {
  static const std::filesystem::path folder = [] {
    auto path =
        std::filesystem::temp_directory_path() / ("passavue-tiff-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

// Smooth gradients with fine noise, so that LZW sees photograph-like data.
void PhotoRow(uint32_t y, uint32_t width, uint32_t height, uint8_t* rgb, uint32_t* state) {
  for (uint32_t x = 0; x < width; ++x) {
    *state ^= *state << 13;
    *state ^= *state >> 17;
    *state ^= *state << 5;
    const int noise = static_cast<int>(*state & 15) - 8;
    const int v[3] = {static_cast<int>(255ull * x / width), static_cast<int>(255ull * y / height),
                      static_cast<int>((255ull * x / width + 255 - 255ull * y / height) / 2)};
    for (int c = 0; c < 3; ++c) rgb[3 * x + c] = static_cast<uint8_t>(std::clamp(v[c] + noise, 0, 255));
  }
}

// Uncompressed, or LZW or Deflate with the predictor.
std::string PhotoFile(uint16_t compression) {
  const std::string path = (Folder() / (std::to_string(compression) + ".tif")).string();
  if (std::filesystem::exists(path)) return path;
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) std::abort();
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  if (compression != COMPRESSION_NONE) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  std::vector<uint8_t> row(3 * kWidth);
  uint32_t state = 20261206u;
  for (uint32_t y = 0; y < kHeight; ++y) {
    PhotoRow(y, kWidth, kHeight, row.data(), &state);
    if (TIFFWriteScanline(tif, row.data(), y, 0) != 1) std::abort();
  }
  TIFFClose(tif);
  return path;
}

void OursRead(benchmark::State& state, uint16_t compression) {
  const std::string path = PhotoFile(compression);
  Image picture;
  IccProfile profile;
  for (auto _ : state) {
    FileHandle file;
    if (OpenForRead(path, &file) != 0 || ReadTiff(file, &picture, &profile) != 0) {
      state.SkipWithError("ReadTiff failed");
      break;
    }
    CloseFile(file);
    benchmark::DoNotOptimize(picture.rows[0][0]);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 3);
}

void PeerRead(benchmark::State& state, uint16_t compression) {
  const std::string path = PhotoFile(compression);
  std::vector<uint8_t> pixels(size_t{kWidth} * kHeight * 3);
  TIFFSetWarningHandler(nullptr);
  for (auto _ : state) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) {
      state.SkipWithError("TIFFOpen failed");
      break;
    }
    for (uint32_t y = 0; y < kHeight; ++y) TIFFReadScanline(tif, &pixels[size_t{y} * kWidth * 3], y, 0);
    TIFFClose(tif);
    benchmark::DoNotOptimize(pixels[0]);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 3);
}

constexpr int32_t kSide = 20000;

const Image& Composite() {
  static const Image composite = [] {
    Image image;
    if (AllocImage(&image, Rgb8, kSide, kSide, 300.0) != 0) std::abort();
    uint32_t state = 7u;
    for (int32_t y = 0; y < kSide; ++y)
      PhotoRow(static_cast<uint32_t>(y), kSide, kSide, image.rows[y], &state);
    return image;
  }();
  return composite;
}

void OursWrite(benchmark::State& state) {
  const Image& composite = Composite();
  const std::string path = (Folder() / "ours-write.tif").string();
  for (auto _ : state) {
    FileHandle file;
    if (CreateForWrite(path, &file) != 0 || WriteTiff(file, composite) != 0) {
      state.SkipWithError("WriteTiff failed");
      break;
    }
    CloseFile(file);
    state.PauseTiming();
    std::filesystem::remove(path);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 3);
}

void PeerWrite(benchmark::State& state) {
  // The file's bytes prepared beforehand: header, then rows top down in red,
  // green, blue order, each handed to write() as it is.
  const Image& composite = Composite();
  const std::string path = (Folder() / "peer-write.tif").string();
  {
    FileHandle file;
    if (CreateForWrite(path, &file) != 0 || WriteTiff(file, composite) != 0) std::abort();
    CloseFile(file);
  }
  std::vector<uint8_t> header(240);
  const size_t rowLength = 3 * size_t{kSide};
  std::vector<std::vector<uint8_t>> rows(kSide, std::vector<uint8_t>(rowLength));
  {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (::read(fd, header.data(), header.size()) != 240) std::abort();
    for (auto& row : rows)
      if (::read(fd, row.data(), rowLength) != static_cast<ssize_t>(rowLength)) std::abort();
    ::close(fd);
  }
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    bool ok = fd >= 0 && ::write(fd, header.data(), header.size()) == 240;
    for (const auto& row : rows)
      ok = ok && ::write(fd, row.data(), rowLength) == static_cast<ssize_t>(rowLength);
    ::close(fd);
    if (!ok) {
      state.SkipWithError("write failed");
      break;
    }
    state.PauseTiming();
    std::filesystem::remove(path);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 3);
}

BENCHMARK_CAPTURE(OursRead, lzw, COMPRESSION_LZW)
    ->Name("ours/read_tiff_6000x4000_lzw_predictor")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PeerRead, lzw, COMPRESSION_LZW)
    ->Name("peer/read_tiff_6000x4000_lzw_predictor")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OursRead, deflate, COMPRESSION_ADOBE_DEFLATE)
    ->Name("ours/read_tiff_6000x4000_deflate_predictor")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(PeerRead, deflate, COMPRESSION_ADOBE_DEFLATE)
    ->Name("peer/read_tiff_6000x4000_deflate_predictor")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(OursRead, plain, COMPRESSION_NONE)
    ->Name("ours/read_tiff_6000x4000_uncompressed")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PeerRead, plain, COMPRESSION_NONE)
    ->Name("peer/read_tiff_6000x4000_uncompressed")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(OursWrite)
    ->Name("ours/write_tiff_20000x20000")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4)
    ->UseRealTime();
BENCHMARK(PeerWrite)
    ->Name("peer/write_tiff_20000x20000")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(Folder());
  return 0;
}
