#pragma once
// Every thread has a queue of messages: work posted to it from any thread, run when that
// thread dispatches. The user-interface thread dispatches from its event loop; a thread that
// waits with PumpWait dispatches while it waits, so the windows it owns stay responsive.
//
// The Qt backend adds the toolkit's own events to a queue with SetToolkitPump, so that
// dispatching on the user-interface thread also lets Qt repaint and deliver input.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace brisklet::platform {

class MessageQueue {
 public:
  using Message = std::function<void()>;

  // The queue of the calling thread, made on first use; it lives while the thread or a
  // holder of the pointer (a window owned by the thread) does.
  static std::shared_ptr<MessageQueue> OfCurrentThread();

  // Any thread. The message runs on the owning thread at its next dispatch.
  void Post(Message message);

  // Owning thread. Runs every message queued at the moment of the call, then the toolkit
  // pump if one is set. Messages posted while dispatching wait for the next call.
  // Returns the number of messages run.
  size_t DispatchPending();
  // Owning thread. As DispatchPending without the toolkit pump: for the toolkit's own event
  // loop, which dispatches the queue from inside its event processing.
  size_t DispatchMessages();

  // Owning thread. Blocks until a message is queued or the timeout passes; true when a
  // message is waiting. With a toolkit pump the wait is capped at a few milliseconds so the
  // toolkit's own events are not starved.
  bool WaitForMessage(std::chrono::steady_clock::duration timeout);

  void SetToolkitPump(std::function<void()> pump);

  // Called on the posting thread after every Post, outside the queue's lock: a toolkit's event
  // loop uses it to learn that the queue needs dispatching (the Qt backend posts itself a
  // wake-up). The hook must be cheap and must not call back into this queue.
  void SetPostHook(std::function<void()> hook);

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<Message> messages_;
  std::function<void()> toolkitPump_;
  std::function<void()> postHook_;
};

// Dispatches the calling thread's pending messages (MessageQueue::DispatchPending).
size_t DispatchPendingMessages();

}  // namespace brisklet::platform
