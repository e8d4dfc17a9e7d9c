// Stands in for the worker pool until pool/ builds it: the shell's tests only construct and
// destroy AppState, whose pool is never started here.
#include "pool/worker_pool.h"

namespace brisklet::pool {
WorkerPool::WorkerPool() : impl_(nullptr) {}
WorkerPool::~WorkerPool() = default;
}  // namespace brisklet::pool
