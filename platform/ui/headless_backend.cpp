#include "platform/ui/headless_backend.h"

#include <chrono>

namespace brisklet::platform {

void HeadlessBackend::RunModal(Window& window) {
  window.BindToCurrentThread();
  window.FireCreate();
  std::function<void(Window&)> hook;
  {
    std::lock_guard lock(mutex_);
    hook = onShow_;
  }
  if (hook && !window.IsDestroyed()) hook(window);
  auto queue = MessageQueue::OfCurrentThread();
  while (!window.IsDestroyed()) {
    queue->WaitForMessage(std::chrono::milliseconds(50));
    queue->DispatchPending();
  }
}

void HeadlessBackend::PlayWave(const Bytes&) {
  std::lock_guard lock(mutex_);
  ++soundsPlayed_;
}

void HeadlessBackend::OnShow(std::function<void(Window&)> hook) {
  std::lock_guard lock(mutex_);
  onShow_ = std::move(hook);
}

int HeadlessBackend::SoundsPlayed() const {
  std::lock_guard lock(mutex_);
  return soundsPlayed_;
}

}  // namespace brisklet::platform
