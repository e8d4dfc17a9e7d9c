#include "platform/ui/headless_backend.h"

#include <algorithm>

namespace brisklet::platform {

using Clock = std::chrono::steady_clock;

void HeadlessBackend::Turn(std::chrono::milliseconds limit) {
  auto queue = MessageQueue::OfCurrentThread();
  auto wait = std::chrono::duration_cast<Clock::duration>(limit);
  {
    std::lock_guard lock(mutex_);
    auto now = Clock::now();
    for (auto& [id, t] : timers_)
      wait = std::min(wait, std::max(Clock::duration::zero(), t.due - now));
  }
  if (wait > Clock::duration::zero()) queue->WaitForMessage(wait);
  queue->DispatchPending();
  // Run the timers due now, each once, one at a time: a tick may stop or start timers, or
  // open a modal window whose own loop runs the timers meanwhile.
  std::vector<int> due;
  {
    std::lock_guard lock(mutex_);
    auto now = Clock::now();
    for (auto& [id, t] : timers_)
      if (t.due <= now) due.push_back(id);
  }
  for (int id : due) {
    std::function<void()> tick;
    {
      std::lock_guard lock(mutex_);
      auto it = timers_.find(id);
      if (it == timers_.end() || it->second.due > Clock::now()) continue;
      it->second.due = Clock::now() + std::chrono::milliseconds(it->second.periodMs);
      tick = it->second.tick;
    }
    tick();
  }
}

HeadlessBackend::~HeadlessBackend() {
  std::lock_guard lock(mutex_);
  for (auto& [window, attached] : attached_) window->RemoveListener(attached.listener);
}

void HeadlessBackend::AttachTimers(Window& window) {
  int listener = window.AddListener([this, &window](std::string_view control, Property property) {
    if (property == Property::Destroyed) {
      DetachTimers(window);
      return;
    }
    if (property != Property::TimerPeriod) return;
    std::lock_guard lock(mutex_);
    if (attached_.count(&window)) RestartControlTimerLocked(window, std::string(control));
  });
  std::lock_guard lock(mutex_);
  attached_[&window].listener = listener;
  for (const auto& c : window.Definition().controls)
    if (c.kind == ControlKind::Timer) RestartControlTimerLocked(window, c.name);
}

void HeadlessBackend::DetachTimers(Window& window) {
  std::lock_guard lock(mutex_);
  auto it = attached_.find(&window);
  if (it == attached_.end()) return;
  for (auto& [control, id] : it->second.timers) timers_.erase(id);
  window.RemoveListener(it->second.listener);
  attached_.erase(it);
}

void HeadlessBackend::RestartControlTimerLocked(Window& window, const std::string& control) {
  auto& ids = attached_[&window].timers;
  if (auto old = ids.find(control); old != ids.end()) {
    timers_.erase(old->second);
    ids.erase(old);
  }
  int period = window.TimerPeriod(control);
  if (period <= 0 || window.IsDestroyed()) return;
  ids[control] = StartTimerLocked(period, [&window, control] { window.FireTimer(control); });
}

void HeadlessBackend::RunModal(Window& window) {
  window.BindToCurrentThread();
  AttachTimers(window);
  window.FireCreate();
  std::function<void(Window&)> hook;
  {
    std::lock_guard lock(mutex_);
    hook = onShow_;
  }
  if (hook && !window.IsDestroyed()) hook(window);
  while (!window.IsDestroyed()) Turn(std::chrono::milliseconds(50));
  DetachTimers(window);
}

void HeadlessBackend::LoadHidden(Window& window) {
  window.BindToCurrentThread();
  AttachTimers(window);
  window.FireCreate();
}

int HeadlessBackend::RunEventLoop() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (quitCode_) {
        int code = *quitCode_;
        quitCode_.reset();
        return code;
      }
    }
    Turn(std::chrono::milliseconds(50));
  }
}

void HeadlessBackend::Quit(int code) {
  {
    std::lock_guard lock(mutex_);
    quitCode_ = code;
  }
  MessageQueue::OfCurrentThread()->Post([] {});
}

bool HeadlessBackend::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  auto end = Clock::now() + limit;
  while (!done()) {
    auto now = Clock::now();
    if (now >= end) return false;
    Turn(std::min(std::chrono::duration_cast<std::chrono::milliseconds>(end - now),
                  std::chrono::milliseconds(10)));
  }
  return true;
}

int HeadlessBackend::StartTimer(int periodMs, std::function<void()> tick) {
  std::lock_guard lock(mutex_);
  return StartTimerLocked(periodMs, std::move(tick));
}

int HeadlessBackend::StartTimerLocked(int periodMs, std::function<void()> tick) {
  periodMs = std::max(periodMs, 1);
  int id = nextTimer_++;
  timers_[id] =
      Timer{periodMs, Clock::now() + std::chrono::milliseconds(periodMs), std::move(tick)};
  return id;
}

void HeadlessBackend::StopTimer(int id) {
  std::lock_guard lock(mutex_);
  timers_.erase(id);
}

bool HeadlessBackend::ShowTrayIcon(const Bytes&, const std::string& tooltip,
                                   std::function<void(TrayEvent)> onEvent) {
  std::lock_guard lock(mutex_);
  trayShown_ = true;
  trayTooltip_ = tooltip;
  trayHandler_ = std::move(onEvent);
  return true;
}

void HeadlessBackend::ClickTray(TrayEvent event) {
  std::function<void(TrayEvent)> handler;
  {
    std::lock_guard lock(mutex_);
    handler = trayHandler_;
  }
  if (handler) handler(event);
}

std::size_t HeadlessBackend::PopupMenu(const Menu& menu) {
  std::function<std::size_t(const Menu&)> chooser;
  {
    std::lock_guard lock(mutex_);
    chooser = onMenu_;
  }
  if (!chooser) return 0;
  std::size_t chosen = chooser(menu);
  return menu.Enabled(chosen) ? chosen : 0;
}

MessageAnswer HeadlessBackend::MessageBox(const std::string& text, const std::string& caption,
                                          MessageButtons buttons) {
  ShownMessage shown{text, caption, buttons};
  std::function<MessageAnswer(const ShownMessage&)> answer;
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(shown);
    answer = onMessage_;
  }
  if (answer) return answer(shown);
  return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

std::optional<std::string> HeadlessBackend::InputBox(const std::string& prompt, const std::string&,
                                                     const std::string&) {
  std::function<std::optional<std::string>(const std::string&)> answer;
  {
    std::lock_guard lock(mutex_);
    answer = onInput_;
  }
  return answer ? answer(prompt) : std::nullopt;
}

std::string HeadlessBackend::ClipboardText() {
  std::lock_guard lock(mutex_);
  return clipboard_;
}

void HeadlessBackend::SetClipboardText(const std::string& text) {
  std::lock_guard lock(mutex_);
  clipboard_ = text;
}

void HeadlessBackend::OpenUrl(const std::string& url) {
  std::lock_guard lock(mutex_);
  urls_.push_back(url);
}

void HeadlessBackend::PlayWave(const Bytes&) {
  std::lock_guard lock(mutex_);
  ++soundsPlayed_;
}

void HeadlessBackend::OnShow(std::function<void(Window&)> hook) {
  std::lock_guard lock(mutex_);
  onShow_ = std::move(hook);
}

void HeadlessBackend::OnMenu(std::function<std::size_t(const Menu&)> chooser) {
  std::lock_guard lock(mutex_);
  onMenu_ = std::move(chooser);
}

void HeadlessBackend::OnMessageBox(std::function<MessageAnswer(const ShownMessage&)> answer) {
  std::lock_guard lock(mutex_);
  onMessage_ = std::move(answer);
}

void HeadlessBackend::OnInputBox(
    std::function<std::optional<std::string>(const std::string&)> answer) {
  std::lock_guard lock(mutex_);
  onInput_ = std::move(answer);
}

int HeadlessBackend::SoundsPlayed() const {
  std::lock_guard lock(mutex_);
  return soundsPlayed_;
}

std::vector<HeadlessBackend::ShownMessage> HeadlessBackend::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> HeadlessBackend::OpenedUrls() const {
  std::lock_guard lock(mutex_);
  return urls_;
}

bool HeadlessBackend::TrayShown() const {
  std::lock_guard lock(mutex_);
  return trayShown_;
}

std::string HeadlessBackend::TrayTooltip() const {
  std::lock_guard lock(mutex_);
  return trayTooltip_;
}

}  // namespace brisklet::platform
