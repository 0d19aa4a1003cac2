#include "core/parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

std::atomic<int> configuredThreads{0};

// Below about this much work per thread, a thread costs more than it saves.
constexpr int64_t kMinimumUnitsPerThread = 1 << 18;
constexpr int64_t kSlicesPerThread = 8;
constexpr std::chrono::microseconds kStayAwake{200};

inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Threads kept waiting between loops. A rendering runs a dozen loops in a
// few milliseconds; starting a thread for each cost a good part of that.
class WorkerPool {
 public:
  // Runs work() on the calling thread and on up to `helpers` pool threads
  // that join it as they wake; returns once every one of them is done.
  // False, with nothing run, when the pool is in use (a loop started from
  // inside another one, or from a second thread).
  bool Run(int helpers, const std::function<void()>& work) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (busy_) return false;
      busy_ = true;
      while (static_cast<int>(threads_.size()) < helpers) {
        try {
          threads_.emplace_back([this] { Serve(); });
        } catch (...) {
          break;  // no thread to be had: the others take its share
        }
      }
      job_ = &work;
      waiting_ = std::min(helpers, static_cast<int>(threads_.size()));
      posted_.store(waiting_, std::memory_order_relaxed);
    }
    wake_.notify_all();
    std::exception_ptr failure;
    try {
      work();
    } catch (...) {
      failure = std::current_exception();  // the helpers still hold the loop's state
    }
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // Helpers that have not woken yet would find nothing left to do.
      waiting_ = 0;
      posted_.store(0, std::memory_order_relaxed);
      done_.wait(lock, [this] { return running_ == 0; });
      job_ = nullptr;
      busy_ = false;
    }
    if (failure) std::rethrow_exception(failure);
    return true;
  }

 private:
  void Serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (waiting_ == 0) {
        // A rendering runs its loops back to back, with little between
        // them: waiting a moment awake for the next one saves the time a
        // sleeping core takes to wake, which is as long as a small loop.
        lock.unlock();
        const auto until = std::chrono::steady_clock::now() + kStayAwake;
        while (posted_.load(std::memory_order_relaxed) == 0 && std::chrono::steady_clock::now() < until)
          Pause();
        lock.lock();
        wake_.wait(lock, [this] { return waiting_ > 0; });
      }
      --waiting_;
      ++running_;
      const std::function<void()>* job = job_;
      lock.unlock();
      (*job)();
      lock.lock();
      if (--running_ == 0) done_.notify_one();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::vector<std::thread> threads_;
  const std::function<void()>* job_ = nullptr;
  int waiting_ = 0;             // helpers still wanted for the current loop
  std::atomic<int> posted_{0};  // waiting_, read without the lock by helpers awake
  int running_ = 0;             // helpers inside it
  bool busy_ = false;
};

WorkerPool& Pool() {
  // Never destroyed: its threads wait until the process ends.
  static WorkerPool* pool = new WorkerPool;
  return *pool;
}

}  // namespace

void SetWorkerThreads(int threads) { configuredThreads = std::max(0, threads); }

int WorkerThreads() {
  const int configured = configuredThreads;
  if (configured > 0) return configured;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min(cores, 64u));
}

void ParallelFor(int64_t count, int64_t unitsPerItem,
                 const std::function<void(int64_t begin, int64_t end)>& body) {
  if (count <= 0) return;
  const int64_t units = count * std::max<int64_t>(1, unitsPerItem);
  int64_t threads =
      std::min<int64_t>({WorkerThreads(), count, std::max<int64_t>(1, units / kMinimumUnitsPerThread)});
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
  const std::function<void()> work = [&]() {
    for (;;) {
      const int64_t begin = next.fetch_add(sliceItems);
      if (begin >= count) return;
      body(begin, std::min(count, begin + sliceItems));
    }
  };
  if (!Pool().Run(static_cast<int>(threads - 1), work)) work();
}
