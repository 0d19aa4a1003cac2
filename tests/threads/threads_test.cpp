// Large renders split their rows among threads; the picture must come out
// byte for byte as one thread makes it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "core/hooks.h"
#include "core/parallel.h"
#include "files/assets.h"
#include "files/tiff.h"
#include "image/resample.h"
#include "render/render.h"
#include "support/files.h"
#include "support/pictures.h"

namespace {

struct Assets {
  TextureSet textures;
  FrameTileSet tiles;
  Assets() {
    IccProfile profile;
    const char* build = std::getenv("PASSAVUE_BUILD_DIR");
    LoadTextures(build, &textures, &profile);
    LoadFrameTiles(build, &tiles, &profile);
  }
};

void FillPicture(Image* picture, int width, int height, int32_t type = Rgb8) {
  ASSERT_EQ(AllocImage(picture, type, width, height, 150.0), 0);
  uint32_t state = 12345;
  const int64_t bytes = UnroundedRowBytes(type, width);
  for (int r = 0; r < height; ++r) {
    for (int64_t b = 0; b < bytes; ++b) {
      state = state * 1664525u + 1013904223u;
      picture->rows[r][b] = static_cast<uint8_t>((r + b / 3) / 8 + (state >> 28));
    }
  }
}

std::shared_ptr<const Image> Picture(int width, int height) {
  Image picture;
  FillPicture(&picture, width, height);
  return std::make_shared<const Image>(std::move(picture));
}

class Threads : public ::testing::Test {
 protected:
  void TearDown() override { SetWorkerThreads(0); }
  static Assets& SharedAssets() {
    static Assets assets;
    return assets;
  }
  // Renders the design made by `design` with the given number of threads.
  std::unique_ptr<RenderState> Render(int threads, void (*design)(SceneSettings*)) {
    SetWorkerThreads(threads);
    auto scene = std::make_unique<SceneSettings>();
    auto render = std::make_unique<RenderState>();
    InitScene(scene.get());
    scene->picture.raster = Picture(1200, 900);
    design(scene.get());
    ComputeOverallSize(scene.get());
    RenderComposite(*scene, RenderAssets{SharedAssets().textures, SharedAssets().tiles, DisplayColorimetry{}},
                    2400, 2000, render.get());
    return render;
  }
};

TEST_F(Threads, RenderingsAreIdenticalWithOneAndSeveralThreads) {
  void (*designs[])(SceneSettings*) = {
      [](SceneSettings*) {},
      [](SceneSettings* s) {
        s->mats[kOuterMat].texture = 4;
        s->mats[kMiddleMat].opening = kOvalOpening;
        s->mats[kMiddleMat].texture = 2;
        s->mats[kInnerMat].bevel = kBevel90;
        s->mats[kInnerMat].thickness = 1.5;  // shadows wide enough to be split among threads
        s->frame.outerDepth = 2.0;
        s->frame.innerDepth = 1.0;
        s->frame.style = 10;
        s->frame.color = {170, 120, 60};
        s->lighting.type = 0;
        s->lighting.intensity = kSubdued;
        s->border.left = s->border.top = 0.3;
      },
      [](SceneSettings* s) {
        s->mats[kMiddleMat].shown = 0;
        s->mats[kOuterMat].bevel = kBevel60;
        s->frame.finish = kFlat;
        s->frame.style = 8;
        s->frame.color = {90, 90, 120};
        s->background.ratio = 1.0;
      },
  };
  for (auto design : designs) {
    auto one = Render(1, design);
    auto several = Render(3, design);
    ASSERT_TRUE(one->composite.HasPixels());
    EXPECT_TRUE(SamePixels(one->composite, several->composite));
    EXPECT_EQ(one->layout.pictureRect, several->layout.pictureRect);
  }
}

TEST_F(Threads, ResamplingIsIdenticalWithOneAndSeveralThreads) {
  Image source;
  FillPicture(&source, 1500, 1000);
  for (int filter : {FilterTriangle, FilterCubic}) {
    for (auto [w, h] : {std::pair{700, 467}, std::pair{3100, 2070}, std::pair{1500, 3000}}) {
      Image a, b;
      SetWorkerThreads(1);
      ASSERT_EQ(ResampleImage(source, &a, w, h, 100.0, filter, -1.0), 0);
      SetWorkerThreads(4);
      ASSERT_EQ(ResampleImage(source, &b, w, h, 100.0, filter, -1.0), 0);
      EXPECT_TRUE(SamePixels(a, b)) << w << "x" << h << " filter " << filter;
    }
  }
}

TEST_F(Threads, LargePictureIsResampledStraightIntoPlace) {
  // Too large to keep a second copy of: the picture goes straight into the
  // composite, and must be exactly what the resampler makes, with the border
  // around it untouched.
  auto scene = std::make_unique<SceneSettings>();
  auto render = std::make_unique<RenderState>();
  InitScene(scene.get());
  scene->picture.raster = Picture(1200, 900);
  for (MatSettings& mat : scene->mats) mat.shown = 0;
  scene->border = {0.2, 0.2, 0.2, 0.2, {1, 2, 3}};
  scene->lighting = {kBright, kDaylight};  // leaves every byte as painted
  scene->frame.innerDepth = 0.0;           // and no shadow falls on the picture
  ComputeOverallSize(scene.get());
  RenderComposite(*scene, RenderAssets{SharedAssets().textures, SharedAssets().tiles, DisplayColorimetry{}},
                  9000, 9000, render.get());
  const PixelRect& rect = render->layout.pictureRect;
  const int w = rect.x1 - rect.x0;
  const int h = rect.y1 - rect.y0;
  ASSERT_GT(int64_t{w} * h * 3, int64_t{64} << 20);
  EXPECT_FALSE(render->pictureCache.HasPixels());
  Image expected;
  ASSERT_EQ(ResampleImage(*scene->picture.raster, &expected, w, h, 100.0, FilterCubic, -1.0), 0);
  const uint8_t border[3] = {3, 2, 1};
  for (int k = 0; k < h; ++k) {
    const uint8_t* row = render->composite.rows[rect.y0 + k];
    ASSERT_EQ(std::memcmp(row + 3 * rect.x0, expected.rows[k], 3 * static_cast<size_t>(w)), 0) << k;
    ASSERT_EQ(std::memcmp(row + 3 * (rect.x0 - 1), border, 3), 0) << k;
    ASSERT_EQ(std::memcmp(row + 3 * rect.x1, border, 3), 0) << k;
  }
}

TEST_F(Threads, LargeTiffFilesAreTheSameWhicheverWayTheyAreWritten) {
  Image picture;
  FillPicture(&picture, 3000, 2100);  // 18.9 MB: written in bands by the worker threads
  TempFolder folder;
  const std::string path = folder.Path("threads.tif");
  // By one thread and by two, into a file opened as the program opens it and
  // into one it may write but not read.
  auto write = [&](int threads, bool mappable, std::vector<std::pair<int64_t, int64_t>>* reports,
                   const Image* image = nullptr) {
    SetWorkerThreads(threads);
    FileHandle file;
    if (mappable) {
      EXPECT_EQ(CreateForWrite(path, &file), 0);
    } else {
      file = FileHandle(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    }
    ProgressHook previous =
        SetProgressHook([reports](int64_t done, int64_t total) { reports->emplace_back(done, total); });
    const int result = WriteTiff(file, image != nullptr ? *image : picture);
    SetProgressHook(std::move(previous));
    CloseFile(file);
    return std::pair(result, ReadText(path));
  };
  std::vector<std::pair<int64_t, int64_t>> reports;
  const auto [result, reference] = write(1, true, &reports);
  ASSERT_EQ(result, 0);
  ASSERT_EQ(reference.size(), 240u + 3000u * 2100u * 3u);
  // The first row written is the picture's top row, red first.
  EXPECT_EQ(static_cast<uint8_t>(reference[240]), picture.rows[2099][2]);
  EXPECT_EQ(static_cast<uint8_t>(reference[242]), picture.rows[2099][0]);
  ASSERT_GE(reports.size(), 50u);
  for (size_t i = 1; i < reports.size(); ++i) EXPECT_GT(reports[i].first, reports[i - 1].first);
  EXPECT_EQ(reports.back(), (std::pair<int64_t, int64_t>(2100, 2100)));
  for (auto [threads, mappable] : {std::pair(2, true), std::pair(1, false), std::pair(2, false)}) {
    reports.clear();
    const auto [code, bytes] = write(threads, mappable, &reports);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(bytes == reference) << threads << " threads, mappable " << mappable;
    EXPECT_EQ(reports.back(), (std::pair<int64_t, int64_t>(2100, 2100)));
  }
  // Gray and 16-bit pictures are copied and exchanged as ordinary writes do.
  for (auto [type, width] : {std::pair(Gray8, 8500), std::pair(Rgb16, 1420)}) {
    Image other;
    FillPicture(&other, width, 2000, type);
    const auto [mappedCode, mapped] = write(2, true, &reports, &other);
    const auto [writtenCode, written] = write(1, false, &reports, &other);
    EXPECT_EQ(std::tuple(mappedCode, writtenCode), std::tuple(0, 0));
    EXPECT_GT(mapped.size(), size_t{16} << 20);
    EXPECT_TRUE(mapped == written) << "type " << type;
  }

  // A file that cannot grow to its size (here a file-size limit; a full disk
  // alike) fails either way, with no success reported.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*previousSignal)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 8u << 20;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  for (auto [threads, mappable] : {std::pair(1, true), std::pair(2, true), std::pair(2, false)}) {
    reports.clear();
    EXPECT_EQ(write(threads, mappable, &reports).first, 1) << threads << " threads, mappable " << mappable;
    EXPECT_TRUE(reports.empty() || reports.back().first < 2100);
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousSignal);
}

TEST_F(Threads, CodedTiffFilesReadTheSameWithOneAndSeveralThreads) {
  // Our uncompressed file rewritten by tiffcp; strips and tiles are decoded
  // side by side, each into its own part of the picture.
  Image picture;
  FillPicture(&picture, 1500, 1000);
  TempFolder folder;
  const std::string plain = folder.Path("plain.tif"), coded = folder.Path("coded.tif");
  FileHandle file;
  ASSERT_EQ(CreateForWrite(plain, &file), 0);
  ASSERT_EQ(WriteTiff(file, picture), 0);
  CloseFile(file);
  for (const char* options : {"-c zip:2 -r 3", "-p separate -t -w 64 -l 64 -c lzw"}) {
    ASSERT_EQ(std::system(("tiffcp " + std::string(options) + " " + plain + " " + coded).c_str()), 0);
    for (int threads : {1, 3}) {
      SetWorkerThreads(threads);
      Image read;
      IccProfile profile;
      ASSERT_EQ(OpenForRead(coded, &file), 0);
      EXPECT_EQ(ReadTiff(file, &read, &profile), 0);
      CloseFile(file);
      EXPECT_TRUE(SamePixels(read, picture)) << options << ", " << threads << " threads";
    }
  }
}

TEST_F(Threads, ProgressRisesToTheWholeRendering) {
  std::vector<std::pair<int64_t, int64_t>> reports;
  ProgressHook previous =
      SetProgressHook([&reports](int64_t done, int64_t total) { reports.emplace_back(done, total); });
  Render(2, [](SceneSettings*) {});
  SetProgressHook(std::move(previous));
  ASSERT_GE(reports.size(), 3u);
  for (size_t i = 1; i < reports.size(); ++i) {
    EXPECT_GE(reports[i].first, reports[i - 1].first);
    EXPECT_EQ(reports[i].second, reports[0].second);
  }
  EXPECT_EQ(reports.back().first, reports.back().second);
}

// The worker threads stay between loops; a loop started inside another or
// from a second thread must still visit every item exactly once.
TEST_F(Threads, LoopsVisitEveryItemOnceWhenNestedOrRunSideBySide) {
  constexpr int64_t kOuter = 512;
  constexpr int64_t kInner = 64;
  constexpr int64_t kUnits = int64_t{1} << 20;  // enough to bring in every thread
  auto nestedLoop = [&](std::vector<std::atomic<int>>* outer, std::vector<std::atomic<int>>* inner) {
    ParallelFor(kOuter, kUnits, [&](int64_t begin, int64_t end) {
      for (int64_t i = begin; i < end; ++i) {
        ++(*outer)[static_cast<size_t>(i)];
        if (i % 128 == 0) {
          ParallelFor(kInner, kUnits, [&](int64_t b, int64_t e) {
            for (int64_t j = b; j < e; ++j) ++(*inner)[static_cast<size_t>(j)];
          });
        }
      }
    });
  };
  for (int threads : {4, 1, 2}) {
    SetWorkerThreads(threads);
    std::vector<std::atomic<int>> outer(kOuter);
    std::vector<std::atomic<int>> inner(kInner);
    nestedLoop(&outer, &inner);
    for (const auto& count : outer) ASSERT_EQ(count.load(), 1) << threads << " threads";
    for (const auto& count : inner) ASSERT_EQ(count.load(), kOuter / 128) << threads << " threads";
  }

  SetWorkerThreads(3);
  std::vector<std::atomic<int>> outerA(kOuter), innerA(kInner), outerB(kOuter), innerB(kInner);
  std::thread other([&] {
    for (int round = 0; round < 20; ++round) nestedLoop(&outerB, &innerB);
  });
  for (int round = 0; round < 20; ++round) nestedLoop(&outerA, &innerA);
  other.join();
  for (const auto* counts : {&outerA, &outerB}) {
    for (const auto& count : *counts) ASSERT_EQ(count.load(), 20);
  }
  for (const auto* counts : {&innerA, &innerB}) {
    for (const auto& count : *counts) ASSERT_EQ(count.load(), 20 * kOuter / 128);
  }
}

}  // namespace
