// The largest export as File > Export runs it, with the picture already
// loaded: render the design at the export size, write the TIFF file, render
// back at the window's size. Alternates one and two worker threads and
// prints one line per export: its thread count, wall seconds, and whether
// the system was handing freed memory back to its host meanwhile (on a
// virtual machine with free page reporting, such runs pay for memory the
// program does not otherwise wait for, and say nothing about the program).
//
// Rounds go on until each thread count has CALM undisturbed exports, or for
// at most MAX-ROUNDS rounds.
//
// Usage: export_bench PICTURE ASSET-FOLDER OUTPUT-FOLDER [CALM] [MAX-ROUNDS] [SIZE]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "core/fileio.h"
#include "core/parallel.h"
#include "files/assets.h"
#include "files/import.h"
#include "files/tiff.h"
#include "scene/settings.h"
#include "shell/app_state.h"

namespace {

// Kilobytes reported to the host so far, or -1 where the system has no such count.
long long ReportedKilobytes() {
  std::ifstream in("/sys/module/page_reporting/parameters/reported_kib");
  long long value = -1;
  if (!(in >> value)) return -1;
  return value;
}

bool Export(AppState* state, const SceneSettings& design, const std::string& path, int size, int threads,
            double* seconds, bool* disturbed) {
  SetWorkerThreads(threads);
  const long long reportedBefore = ReportedKilobytes();
  const auto start = std::chrono::steady_clock::now();
  FileHandle file;
  if (CreateForWrite(path, &file) != 0) return false;
  int written = 1;
  {
    RenderState render;
    RenderDesignInto(*state, design, size, size, &render);
    written = WriteTiff(file, render.composite);
  }
  CloseFile(file);
  *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  *disturbed = ReportedKilobytes() != reportedBefore;
  std::remove(path.c_str());
  return written == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: export_bench PICTURE ASSET-FOLDER OUTPUT-FOLDER [CALM] [MAX-ROUNDS] [SIZE]\n");
    return 2;
  }
  const int calmWanted = argc > 4 ? std::atoi(argv[4]) : 5;
  const int maxRounds = argc > 5 ? std::atoi(argv[5]) : 15;
  const int size = argc > 6 ? std::atoi(argv[6]) : 20000;
  auto state = std::make_unique<AppState>();
  SceneSettings design;
  InitScene(&design);
  std::string folder;
  if (LoadPicture(argv[1], PictureFileTypeOf(argv[1]), &design, &state->inputProfile, &folder) != 0) return 1;
  LoadTextures(argv[2], &state->textures, &state->inputProfile);
  LoadFrameTiles(argv[2], &state->frameTiles, &state->inputProfile);
  const std::string path = std::string(argv[3]) + "/export_bench.tif";

  double seconds = 0.0;
  bool disturbed = false;
  if (!Export(state.get(), design, path, size, 2, &seconds, &disturbed)) return 1;  // warm-up
  std::array<int, 3> calm{};
  for (int round = 0; round < maxRounds && std::min(calm[1], calm[2]) < calmWanted; ++round) {
    // Alternate which goes first, so neither always follows the other.
    for (int threads : round % 2 == 0 ? std::array{1, 2} : std::array{2, 1}) {
      if (!Export(state.get(), design, path, size, threads, &seconds, &disturbed)) return 1;
      if (!disturbed) ++calm[static_cast<size_t>(threads)];
      std::printf("export_threads_%d %.4f %d\n", threads, seconds, disturbed ? 1 : 0);
      std::fflush(stdout);
    }
  }
  return 0;
}
