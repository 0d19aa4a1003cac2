// Splitting row loops among worker threads. Each row is computed from the
// same inputs whatever thread runs it, so the result is byte for byte that
// of one thread. Meant for one thread at a time (the user-interface thread
// or the command-line renderer): a loop started inside another one, or
// while another thread's loop runs, runs on its calling thread alone.
#pragma once

#include <cstdint>
#include <functional>

// How many threads large loops use; 0 means one per core. Default 0.
void SetWorkerThreads(int threads);
int WorkerThreads();

// Runs body(begin, end) over consecutive slices of [0, count), each item
// costing about `unitsPerItem` (say, bytes of a row); the slices run in any
// order on any of the threads, the calling one among them. Small loops stay
// on the calling thread, since starting a thread costs more than they do.
void ParallelFor(int64_t count, int64_t unitsPerItem,
                 const std::function<void(int64_t begin, int64_t end)>& body);
