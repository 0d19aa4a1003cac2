#include "core/parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

std::atomic<int> configuredThreads{0};

// Below about this much work per thread, a thread costs more than it saves.
constexpr int64_t kMinimumUnitsPerThread = 1 << 18;

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
  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(threads - 1));
  const int64_t slice = (count + threads - 1) / threads;
  for (int64_t t = 1; t < threads; ++t) {
    const int64_t begin = t * slice;
    const int64_t end = std::min(count, begin + slice);
    if (begin >= end) break;
    try {
      workers.emplace_back(body, begin, end);
    } catch (...) {
      // No thread to be had: do the slice here instead.
      body(begin, end);
    }
  }
  body(0, std::min(count, slice));
  for (std::thread& worker : workers) worker.join();
}
