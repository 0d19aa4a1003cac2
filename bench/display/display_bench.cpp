// What a calibrated wide-gamut 4K screen adds to every edit: the display
// copy of a 3840 x 2160 composite (ours on two threads beside Little CMS's
// cmsDoTransform on one), and the whole way from an edit to the screen (a
// warm re-render of the default design with a picture, the display copy and
// the blit the view paints) beside the same with an sRGB monitor.
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <memory>

#include "core/parallel.h"
#include "display/display_copy.h"
#include "display/screen.h"
#include "render/render.h"
#include "shell/app_state.h"
#include "wide_gamut.h"

namespace {

constexpr int32_t kWidth = 3840;
constexpr int32_t kHeight = 2160;

// Smooth gradients with fine noise from a fixed seed.
void FillPhotoLike(Image* image, int32_t width, int32_t height) {
  if (AllocImage(image, Rgb8, width, height, 300.0) != 0) std::abort();
  uint32_t seed = 20261207u;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = image->rows[y];
    for (int32_t x = 0; x < 3 * width; ++x) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      const int32_t v = static_cast<int32_t>((255LL * (x / 3) / width + 255LL * y / height) / 2) +
                        static_cast<int32_t>(seed & 31) - 16;
      row[x] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
  }
}

void DisplayCopyOurs(benchmark::State& state) {
  SetWorkerThreads(2);
  Image composite, copy;
  FillPhotoLike(&composite, kWidth, kHeight);
  const IccProfile monitor = AdobeRgbLikeProfile();
  DisplayTransform cache;
  MakeDisplayCopy(composite, monitor, &cache,
                  &copy);  // the transform made and the rows had, as after a first paint
  for (auto _ : state) {
    if (MakeDisplayCopy(composite, monitor, &cache, &copy) != 0) state.SkipWithError("no display copy");
    benchmark::DoNotOptimize(copy.rows[0][0]);
  }
  SetWorkerThreads(0);
}

void DisplayCopyLittleCms(benchmark::State& state) {
  Image composite, copy;
  FillPhotoLike(&composite, kWidth, kHeight);
  AllocImage(&copy, Rgb8, kWidth, kHeight, 300.0);
  const IccProfile monitor = AdobeRgbLikeProfile();
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHPROFILE wide = cmsOpenProfileFromMem(monitor.data(), static_cast<cmsUInt32Number>(monitor.size()));
  cmsHTRANSFORM transform = cmsCreateTransform(srgb, TYPE_BGR_8, wide, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
  for (auto _ : state) {
    for (int32_t r = 0; r < kHeight; ++r) cmsDoTransform(transform, composite.rows[r], copy.rows[r], kWidth);
    benchmark::DoNotOptimize(copy.rows[0][0]);
  }
  cmsDeleteTransform(transform);
  cmsCloseProfile(wide);
  cmsCloseProfile(srgb);
}

// Moulding profiles: a rounded cross-section in every tile.
void MakeFrameTiles(FrameTileSet* tiles) {
  for (Image& tile : tiles->tiles) {
    if (AllocImage(&tile, Gray8, 64, 64, 100.0) != 0) std::abort();
    for (int32_t y = 0; y < 64; ++y)
      for (int32_t x = 0; x < 64; ++x)
        tile.rows[y][x] = static_cast<uint8_t>(96 + (x * (63 - x) + y * (63 - y)) / 9);
  }
}

// A mat colour changed, rendered again, converted and painted, as the main
// window does after an edit; `monitor` empty is an sRGB screen.
void EditToScreen(benchmark::State& state, const IccProfile& monitor) {
  auto app = std::make_unique<AppState>();
  SceneSettings design;
  InitScene(&design);
  {
    Image photo;
    FillPhotoLike(&photo, 6000, 4000);
    design.picture.raster = std::make_shared<const Image>(std::move(photo));
  }
  ++design.picture.rasterVersion;
  MakeFrameTiles(&app->frameTiles);
  app->monitorProfile = monitor;
  app->viewWidth = kWidth;
  app->viewHeight = kHeight;
  QImage screen(kWidth, kHeight, QImage::Format_RGB32);
  int32_t shade = 0;
  auto edit = [&] {
    design.mats[kOuterMat].color = {255, 250 - (shade & 15), 240};
    ++shade;
    ComputeOverallSize(&design);  // as every change to the document does
    RenderDesign(app.get(), design);
    MakeDisplayCopy(app->render.composite, app->monitorProfile, &app->displayTransform,
                    &app->render.displayCopy);
    const Image& shown =
        app->render.displayCopy.HasPixels() ? app->render.displayCopy : app->render.composite;
    QPainter painter(&screen);
    BlitImageDevicePixels(&painter, shown, 0, 0);
  };
  // Warm: the picture resampled, the transform made, the copy's rows had.
  edit();
  edit();
  for (auto _ : state) {
    edit();
    benchmark::DoNotOptimize(screen.constBits());
  }
}

void EditToScreenWide(benchmark::State& state) { EditToScreen(state, AdobeRgbLikeProfile()); }
void EditToScreenSrgb(benchmark::State& state) { EditToScreen(state, IccProfile()); }

}  // namespace

BENCHMARK(DisplayCopyOurs)
    ->Name("ours/display_copy_3840x2160_wide_gamut")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(DisplayCopyLittleCms)
    ->Name("peer/display_copy_3840x2160_wide_gamut")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(EditToScreenWide)
    ->Name("ours/edit_to_screen_3840x2160_wide_gamut")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(EditToScreenSrgb)
    ->Name("peer/edit_to_screen_3840x2160_srgb")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
