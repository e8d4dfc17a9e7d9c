#include "platform/ui/message_queue.h"

#include <algorithm>

namespace brisklet::platform {

std::shared_ptr<MessageQueue> MessageQueue::OfCurrentThread() {
  thread_local std::shared_ptr<MessageQueue> queue = std::make_shared<MessageQueue>();
  return queue;
}

void MessageQueue::Post(Message message) {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(std::move(message));
    hook = postHook_;
  }
  posted_.notify_all();
  if (hook) hook();
}

size_t MessageQueue::DispatchPending() {
  size_t ran = DispatchMessages();
  std::function<void()> pump;
  {
    std::lock_guard lock(mutex_);
    pump = toolkitPump_;
  }
  if (pump) pump();
  return ran;
}

size_t MessageQueue::DispatchMessages() {
  std::deque<Message> now;
  {
    std::lock_guard lock(mutex_);
    now.swap(messages_);
  }
  for (auto& m : now) m();
  return now.size();
}

bool MessageQueue::WaitForMessage(std::chrono::steady_clock::duration timeout) {
  std::unique_lock lock(mutex_);
  if (toolkitPump_)
    timeout = std::min<std::chrono::steady_clock::duration>(timeout, std::chrono::milliseconds(5));
  return posted_.wait_for(lock, timeout, [this] { return !messages_.empty(); });
}

void MessageQueue::SetToolkitPump(std::function<void()> pump) {
  std::lock_guard lock(mutex_);
  toolkitPump_ = std::move(pump);
}

void MessageQueue::SetPostHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  postHook_ = std::move(hook);
}

size_t DispatchPendingMessages() { return MessageQueue::OfCurrentThread()->DispatchPending(); }

}  // namespace brisklet::platform
