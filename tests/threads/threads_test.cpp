// Large renders split their rows among threads; the picture must come out
// byte for byte as one thread makes it.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
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
#include "support/tiff.h"

namespace {

Image Picture(int width, int height) {
  Image picture;
  EXPECT_EQ(AllocImage(&picture, Rgb8, width, height, 150.0), 0);
  FillRandom(&picture, 12345);
  return picture;
}

class Threads : public ::testing::Test {
 protected:
  void TearDown() override { SetWorkerThreads(0); }
  // Renders the design made by `design` with the given number of threads.
  std::unique_ptr<RenderState> Render(int threads, void (*design)(SceneSettings*), int size = 2400) {
    static TextureSet textures;
    static FrameTileSet tiles;
    static const bool loaded = [] {
      IccProfile profile;
      LoadTextures(std::getenv("PASSAVUE_BUILD_DIR"), &textures, &profile);
      LoadFrameTiles(std::getenv("PASSAVUE_BUILD_DIR"), &tiles, &profile);
      return textures.images[4].HasPixels() && tiles.tiles[FrameTileSet::Index(0, 10, kSideLeft)].HasPixels();
    }();
    SetWorkerThreads(threads);
    SceneSettings scene;
    auto render = std::make_unique<RenderState>();
    InitScene(&scene);
    scene.picture.raster = std::make_shared<const Image>(Picture(1200, 900));
    design(&scene);
    ComputeOverallSize(&scene);
    EXPECT_TRUE(loaded);
    RenderComposite(scene, RenderAssets{textures, tiles, DisplayColorimetry{}}, size, size, render.get());
    return render;
  }
};

TEST_F(Threads, RenderingsAreIdenticalWithOneAndSeveralThreads) {
  auto design = [](SceneSettings* s) {
    s->mats[kOuterMat].texture = 4;
    s->mats[kMiddleMat].opening = kOvalOpening;
    s->mats[kInnerMat].bevel = kBevel90;
    s->mats[kInnerMat].thickness = 1.5;  // shadows wide enough to be split among threads
    s->frame.outerDepth = 2.0;
    s->frame.style = 10;
    s->lighting = {kSubdued, 0};
    s->border.left = s->border.top = 0.3;
  };
  std::vector<std::pair<int64_t, int64_t>> reports;
  ProgressHook previous =
      SetProgressHook([&](int64_t done, int64_t total) { reports.emplace_back(done, total); });
  auto one = Render(1, design);
  SetProgressHook(std::move(previous));
  auto several = Render(3, design);
  ASSERT_TRUE(one->composite.HasPixels());
  EXPECT_TRUE(SamePixels(one->composite, several->composite));
  // Progress rises to the whole rendering.
  ASSERT_GE(reports.size(), 3u);
  for (size_t i = 1; i < reports.size(); ++i)
    EXPECT_TRUE(reports[i].first >= reports[i - 1].first && reports[i].second == reports[0].second);
  EXPECT_EQ(reports.back().first, reports.back().second);
}

TEST_F(Threads, LargePictureIsResampledStraightIntoPlace) {
  // Too large to keep a second copy of: the picture goes straight into the
  // composite, and must be exactly what the resampler makes, with the border
  // around it untouched.
  auto design = [](SceneSettings* s) {
    for (MatSettings& mat : s->mats) mat.shown = 0;
    s->border = {0.2, 0.2, 0.2, 0.2, {1, 2, 3}};
    s->lighting = {kBright, kDaylight};  // leaves every byte as painted
    s->frame.innerDepth = 0.0;           // and no shadow falls on the picture
  };
  auto render = Render(2, design, 9000);
  const PixelRect& rect = render->layout.pictureRect;
  const int w = rect.x1 - rect.x0, h = rect.y1 - rect.y0;
  ASSERT_GT(int64_t{w} * h * 3, int64_t{64} << 20);
  EXPECT_FALSE(render->pictureCache.HasPixels());
  Image expected;
  ASSERT_EQ(ResampleImage(Picture(1200, 900), &expected, w, h, 100.0, FilterCubic, -1.0), 0);
  const uint8_t border[3] = {3, 2, 1};
  for (int k = 0; k < h; ++k) {
    const uint8_t* row = render->composite.rows[rect.y0 + k];
    ASSERT_EQ(std::memcmp(row + 3 * rect.x0, expected.rows[k], 3 * static_cast<size_t>(w)), 0) << k;
    ASSERT_EQ(std::memcmp(row + 3 * (rect.x0 - 1), border, 3), 0) << k;
    ASSERT_EQ(std::memcmp(row + 3 * rect.x1, border, 3), 0) << k;
  }
}

// Written in bands by the worker threads, then rewritten by tiffcp in tiles
// and decoded side by side, each tile into its own part of the picture.
TEST_F(Threads, TiffFilesWrittenAndReadInPartsComeOutWhole) {
  TempFolder folder;
  const std::string path = folder.Path("threads.tif"), coded = folder.Path("coded.tif");
  const Image picture = Picture(3000, 2100);  // 18.9 MB
  auto write = [&](int threads) {
    SetWorkerThreads(threads);
    FileHandle file;
    EXPECT_EQ(CreateForWrite(path, &file), 0);
    const std::pair outcome{WriteTiff(file, picture), LastFileError()};  // braces: in this order
    CloseFile(file);
    return outcome;
  };
  ASSERT_EQ(write(2).first, 0);
  ASSERT_EQ(std::system(("tiffcp -p separate -t -w 64 -l 64 -c lzw " + path + " " + coded).c_str()), 0);
  Image read;
  ASSERT_EQ(ReadMemory(ReadAll(coded), &read), 0);
  EXPECT_TRUE(SamePixels(read, picture));
  // A file that cannot grow to its size (here a file-size limit; a full
  // disk alike) fails either way, with no success reported.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*previousSignal)(int) = std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limited{8u << 20, saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  for (int threads : {1, 2}) EXPECT_EQ(write(threads), std::pair(1, EFBIG)) << threads << " threads";
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousSignal);
}

// The worker threads stay between loops; loops started inside another from
// two threads at once must still visit every item exactly once.
TEST_F(Threads, LoopsVisitEveryItemOnceWhenNestedOrRunSideBySide) {
  constexpr int64_t kOuter = 512, kInner = 64, kUnits = int64_t{1} << 20;  // units: enough for every thread
  using Counts = std::vector<std::atomic<int>>;
  auto nestedLoop = [&](Counts* outer, Counts* inner) {
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
  SetWorkerThreads(3);
  Counts outerA(kOuter), innerA(kInner), outerB(kOuter), innerB(kInner);
  std::thread other([&] {
    for (int round = 0; round < 20; ++round) nestedLoop(&outerB, &innerB);
  });
  for (int round = 0; round < 20; ++round) nestedLoop(&outerA, &innerA);
  other.join();
  for (const Counts* counts : {&outerA, &outerB, &innerA, &innerB})
    for (const auto& count : *counts)
      ASSERT_EQ(count.load(), counts->size() == size_t{kOuter} ? 20 : 20 * kOuter / 128);
}

}  // namespace
