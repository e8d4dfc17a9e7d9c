#include "pool/worker_pool.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/ui/message_queue.h"
#include "pool/atomic_counter.h"

namespace brisklet::pool {
namespace {

using Clock = std::chrono::steady_clock;
using platform::MessageQueue;

constexpr int kDefaultMaxThreads = 100;
constexpr int kDefaultQueueLimit = 10000;
// How long the dispatcher waits before it tries again to create a thread that failed.
constexpr auto kThreadRetry = std::chrono::milliseconds(10);

// A task that is waiting or running.
struct Task {
  TaskRoutine routine = nullptr;
  std::shared_ptr<const Bytes> data;  // shared with the worker that runs it
  bool active = true;                 // false once cancelled; the dispatcher drops it
  bool started = false;               // a worker thread was created for it
};

// Everything the pool's threads share. Held by shared_ptr: by the pool object, the dispatcher
// and every worker, so an abandoned worker can still finish safely after the pool is gone.
struct State {
  explicit State(const void* owner) : owner(owner) {}

  const void* const owner;  // the WorkerPool object, to tell its workers from another pool's
  std::mutex mutex;
  // Notified on every change a waiter may be waiting for: a task queued, started, finished or
  // dropped, a limit raised, pause lifted, a stop begun.
  std::condition_variable changed;

  // Guarded by mutex.
  bool running = false;
  bool paused = false;
  int maxThreads = kDefaultMaxThreads;
  int queueLimit = kDefaultQueueLimit;
  std::int32_t nextTask = 1;        // the dispatcher's next task number to start
  std::map<std::int32_t, Task> tasks;
  // Bumped when StopAll or destruction abandons the running workers; a worker whose generation
  // is older finds its bookkeeping gone and leaves the tables alone.
  std::uint64_t generation = 0;
  // Queues of threads that wait while dispatching their messages; each change posts them an
  // empty message so that their wait ends at once.
  std::vector<std::shared_ptr<MessageQueue>> pumpingWaiters;

  AtomicCounter lastTaskNumber;  // changed under mutex; atomic for readers without it
  AtomicCounter runningCount;    // workers started in this generation and not yet finished

  // With mutex held.
  void Signal() {
    changed.notify_all();
    for (auto& queue : pumpingWaiters) queue->Post([] {});
  }
  bool Full() const {
    return static_cast<std::int64_t>(tasks.size()) >=
           static_cast<std::int64_t>(queueLimit) + static_cast<std::int64_t>(maxThreads);
  }
  bool CanStartNext() const {
    return !paused && nextTask <= lastTaskNumber.Get() && runningCount.Get() < maxThreads;
  }
  std::int32_t Queue(TaskRoutine routine, const Bytes& data) {
    // Number and record appear together under one hold of the lock, so the dispatcher never
    // sees a number without its task.
    std::int32_t number = lastTaskNumber.Increment();
    tasks[number] = Task{routine, std::make_shared<const Bytes>(data)};
    Signal();
    return number;
  }
  void ResetTables() {
    tasks.clear();
    nextTask = 1;
    lastTaskNumber.Exchange(0);
    runningCount.Exchange(0);
  }
};

// Registers the calling thread's message queue with the pool for the life of a pumping wait.
// Constructed and destroyed with State::mutex held.
class PumpingWaiter {
 public:
  PumpingWaiter(State& state, std::shared_ptr<MessageQueue> queue) : state_(state), queue_(std::move(queue)) {
    state_.pumpingWaiters.push_back(queue_);
  }
  ~PumpingWaiter() {
    auto& waiters = state_.pumpingWaiters;
    waiters.erase(std::find(waiters.begin(), waiters.end(), queue_));
  }
  PumpingWaiter(const PumpingWaiter&) = delete;
  PumpingWaiter& operator=(const PumpingWaiter&) = delete;

  // Unlocks, waits for a message (the pool posts one on every change) until `until` at most,
  // dispatches what is queued, and locks again.
  void Wait(std::unique_lock<std::mutex>& lock, std::optional<Clock::time_point> until) {
    lock.unlock();
    // Without a deadline the wait still wakes now and then, so a missed wake-up costs little.
    auto timeout = until ? std::max(Clock::duration::zero(), *until - Clock::now())
                         : Clock::duration(std::chrono::milliseconds(100));
    queue_->WaitForMessage(timeout);
    queue_->DispatchPending();
    lock.lock();
  }

 private:
  State& state_;
  std::shared_ptr<MessageQueue> queue_;
};

// What a worker thread knows of its task while the routine runs.
struct WorkerContext {
  const void* owner;  // the WorkerPool object; compared, never followed
  State* state;       // kept alive by the worker's own reference
  std::uint64_t generation;
  std::int32_t taskNumber;
  std::shared_ptr<const Bytes> data;
};

thread_local const WorkerContext* currentWorker = nullptr;

std::optional<Clock::time_point> DeadlineAfter(int timeoutMs) {
  if (timeoutMs <= 0) return std::nullopt;
  return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

void RunWorker(std::shared_ptr<State> state, WorkerContext context, TaskRoutine routine) {
  currentWorker = &context;
  if (routine) routine();
  currentWorker = nullptr;
  std::lock_guard lock(state->mutex);
  if (context.generation != state->generation) return;  // abandoned: the pool forgot us
  state->tasks.erase(context.taskNumber);
  state->runningCount.Decrement();
  state->Signal();
}

// Creates the worker thread and detaches it at once: the thread owns everything it touches
// (the shared state, its context), so no handle has to outlive it or be closed by anyone else.
bool StartWorker(const std::shared_ptr<State>& state, WorkerContext context, TaskRoutine routine) {
  try {
    std::thread(RunWorker, state, std::move(context), routine).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

// The dispatcher thread: starts tasks strictly in number order, at most maxThreads at once,
// as soon as each may start.
void DispatchLoop(std::shared_ptr<State> state) {
  State& s = *state;
  std::unique_lock lock(s.mutex);
  for (;;) {
    s.changed.wait(lock, [&] { return !s.running || s.CanStartNext(); });
    if (!s.running) return;
    const std::int32_t number = s.nextTask;
    auto it = s.tasks.find(number);
    if (it == s.tasks.end() || !it->second.active) {
      if (it != s.tasks.end()) s.tasks.erase(it);
      ++s.nextTask;
      s.Signal();  // a dropped task frees room for a blocked submitter
      continue;
    }
    Task& task = it->second;
    task.started = true;  // from here Cancel answers "running"
    s.runningCount.Increment();
    WorkerContext context{s.owner, &s, s.generation, number, task.data};
    TaskRoutine routine = task.routine;
    // Thread creation is slow; submitters and finishing workers need not wait for it. Only
    // this thread moves nextTask, and StopAll joins this thread before it resets anything.
    lock.unlock();
    bool started = StartWorker(state, std::move(context), routine);
    lock.lock();
    if (started) {
      ++s.nextTask;
      continue;
    }
    // Try the same task again a little later.
    if (auto again = s.tasks.find(number); again != s.tasks.end()) again->second.started = false;
    s.runningCount.Decrement();
    s.changed.wait_for(lock, kThreadRetry, [&] { return !s.running; });
  }
}

}  // namespace

struct WorkerPool::Impl {
  explicit Impl(const WorkerPool* owner) : state(std::make_shared<State>(owner)) {}

  std::shared_ptr<State> state;
  // Serialises Start, StopAll and destruction, which start and join the dispatcher.
  std::mutex control;
  std::thread dispatcher;

  bool StartDispatcher() {
    try {
      dispatcher = std::thread(DispatchLoop, state);
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }
  void StopDispatcher() {
    {
      std::lock_guard lock(state->mutex);
      state->running = false;
      state->Signal();
    }
    if (dispatcher.joinable()) dispatcher.join();
  }
  // Waits until no worker of the current generation runs, or until the deadline.
  void WaitForWorkers(std::optional<Clock::time_point> deadline, bool pumpMessages) {
    State& s = *state;
    std::unique_lock lock(s.mutex);
    auto idle = [&] { return s.runningCount.Get() == 0; };
    if (!pumpMessages) {
      if (deadline) {
        s.changed.wait_until(lock, *deadline, idle);
      } else {
        s.changed.wait(lock, idle);
      }
      return;
    }
    PumpingWaiter waiter(s, MessageQueue::OfCurrentThread());
    while (!idle() && !(deadline && Clock::now() >= *deadline)) waiter.Wait(lock, deadline);
  }
};

WorkerPool::WorkerPool() : impl_(new Impl(this)) {}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard control(impl_->control);
    impl_->StopDispatcher();
    std::lock_guard lock(impl_->state->mutex);
    // Abandon the running workers: they finish on the shared state, unpaused, and drop their
    // results. Blocked submitters and waiters wake and leave.
    ++impl_->state->generation;
    impl_->state->Signal();
  }
  delete impl_;
}

int WorkerPool::Start(int maxThreads, int queueLimit) {
  std::lock_guard control(impl_->control);
  {
    std::lock_guard lock(impl_->state->mutex);
    State& s = *impl_->state;
    if (s.running) return 0;
    s.ResetTables();
    s.maxThreads = maxThreads > 0 ? maxThreads : kDefaultMaxThreads;
    s.queueLimit = queueLimit > 0 ? queueLimit : kDefaultQueueLimit;
    s.running = true;
  }
  if (impl_->StartDispatcher()) return 1;
  std::lock_guard lock(impl_->state->mutex);
  impl_->state->running = false;
  return 0;
}

void WorkerPool::SetQueueLimit(int n) {
  std::lock_guard lock(impl_->state->mutex);
  impl_->state->queueLimit = n > 0 ? n : kDefaultQueueLimit;
  impl_->state->Signal();
}

void WorkerPool::SetMaxThreads(int n) {
  std::lock_guard lock(impl_->state->mutex);
  impl_->state->maxThreads = n > 0 ? n : kDefaultMaxThreads;
  impl_->state->Signal();
}

std::int32_t WorkerPool::Submit(TaskRoutine routine, const Bytes& data, bool failIfFull, int timeoutMs,
                                bool pumpMessages) {
  std::shared_ptr<State> state = impl_->state;
  State& s = *state;
  std::unique_lock lock(s.mutex);
  if (!s.running) return 0;
  if (!s.Full()) return s.Queue(routine, data);
  if (failIfFull) return -1;

  const auto deadline = DeadlineAfter(timeoutMs);
  const std::uint64_t generation = s.generation;
  // A stop during the wait fails the submit, also when the pool is running again by the time
  // this thread wakes.
  auto stopped = [&] { return !s.running || s.generation != generation; };
  auto ready = [&] { return stopped() || !s.Full(); };
  if (!pumpMessages) {
    if (deadline) {
      if (!s.changed.wait_until(lock, *deadline, ready)) return -1;
    } else {
      s.changed.wait(lock, ready);
    }
    return stopped() ? -1 : s.Queue(routine, data);
  }
  PumpingWaiter waiter(s, MessageQueue::OfCurrentThread());
  for (;;) {
    if (stopped()) return -1;
    if (!s.Full()) return s.Queue(routine, data);
    if (deadline && Clock::now() >= *deadline) return -1;
    waiter.Wait(lock, deadline);
  }
}

int WorkerPool::Cancel(std::int32_t taskNumber) {
  if (taskNumber <= 0) return 0;
  std::lock_guard lock(impl_->state->mutex);
  auto& tasks = impl_->state->tasks;
  auto it = tasks.find(taskNumber);
  if (it == tasks.end()) return 0;
  if (it->second.started) return -1;
  // Tasks are typed records here, so the "bad record" answer (-2) cannot arise.
  it->second.active = false;
  return 1;
}

// CurrentTaskData and PausePoint work from the worker's own context only, never through impl_,
// so a task that outlives its pool object (abandoned at destruction) still gets its data.
Bytes WorkerPool::CurrentTaskData() {
  const WorkerContext* context = currentWorker;
  if (context == nullptr || context->owner != this) return {};
  PausePoint();
  return *context->data;
}

void WorkerPool::PausePoint() {
  const WorkerContext* context = currentWorker;
  if (context == nullptr || context->owner != this) return;
  State& s = *context->state;
  std::unique_lock lock(s.mutex);
  s.changed.wait(lock, [&] { return !s.paused || s.generation != context->generation; });
}

int WorkerPool::WaitingCount() {
  std::lock_guard lock(impl_->state->mutex);
  return static_cast<int>(impl_->state->tasks.size()) - impl_->state->runningCount.Get();
}

int WorkerPool::PendingCount() {
  std::lock_guard lock(impl_->state->mutex);
  return static_cast<int>(impl_->state->tasks.size());
}

int WorkerPool::RunningCount() { return impl_->state->runningCount.Get(); }

void WorkerPool::Pause() {
  std::lock_guard lock(impl_->state->mutex);
  impl_->state->paused = true;
}

void WorkerPool::Resume() {
  std::lock_guard lock(impl_->state->mutex);
  impl_->state->paused = false;
  impl_->state->Signal();
}

void WorkerPool::StopAll(bool force, int timeoutMs, bool pumpMessages) {
  std::lock_guard control(impl_->control);
  if (!impl_->dispatcher.joinable()) return;  // never started
  impl_->StopDispatcher();
  impl_->state->lastTaskNumber.Exchange(0);
  if (!force) impl_->WaitForWorkers(DeadlineAfter(timeoutMs), pumpMessages);
  {
    std::lock_guard lock(impl_->state->mutex);
    State& s = *impl_->state;
    ++s.generation;  // whatever still runs is abandoned
    s.ResetTables();
    s.running = true;
    s.Signal();
  }
  if (!impl_->StartDispatcher()) {
    std::lock_guard lock(impl_->state->mutex);
    impl_->state->running = false;
  }
}

}  // namespace brisklet::pool
