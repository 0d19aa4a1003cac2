#include "core/parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

std::atomic<int> configuredThreads{0};

// Below about this much work per thread, a thread costs more than it saves.
constexpr int64_t kMinimumUnitsPerThread = 1 << 18;
constexpr int64_t kSlicesPerThread = 8;

}  // namespace

void SetWorkerThreads(int threads) { configuredThreads = std::max(0, threads); }

int WorkerThreads() {
  const int configured = configuredThreads;
  if (configured > 0) return configured;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min(cores, 64u));
}

void ParallelFor(int64_t count, int64_t unitsPerItem, const std::function<void(int64_t begin, int64_t end)>& body) {
  if (count <= 0) return;
  const int64_t units = count * std::max<int64_t>(1, unitsPerItem);
  int64_t threads = std::min<int64_t>({WorkerThreads(), count, std::max<int64_t>(1, units / kMinimumUnitsPerThread)});
  if (threads <= 1) {
    body(0, count);
    return;
  }
  // Several slices per thread, taken in turn: a core that is slower (an
  // efficiency core, one busy with something else, memory still being
  // mapped in) takes fewer, and the others are not left waiting for it.
  const int64_t slices = std::min<int64_t>(count, threads * kSlicesPerThread);
  const int64_t sliceItems = (count + slices - 1) / slices;
  std::atomic<int64_t> next{0};
  auto work = [&]() {
    for (;;) {
      const int64_t begin = next.fetch_add(sliceItems);
      if (begin >= count) return;
      body(begin, std::min(count, begin + sliceItems));
    }
  };
  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(threads - 1));
  for (int64_t t = 1; t < threads; ++t) {
    try {
      workers.emplace_back(work);
    } catch (...) {
      break;  // no thread to be had: the others take its slices
    }
  }
  work();
  for (std::thread& worker : workers) worker.join();
}
