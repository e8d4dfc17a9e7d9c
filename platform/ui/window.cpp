#include "platform/ui/window.h"

namespace brisklet::platform {

const ControlDef* WindowDef::Find(std::string_view control) const {
  for (const auto& c : controls)
    if (c.name == control) return &c;
  return nullptr;
}

Window::Window(WindowDef def) : def_(std::move(def)), queue_(MessageQueue::OfCurrentThread()) {
  for (const auto& c : def_.controls) {
    State s;
    s.text = c.text;
    s.width = c.width;
    s.timerMs = c.timerMs;
    state_.emplace(c.name, std::move(s));
  }
}

Window::~Window() { Destroy(); }

std::string Window::Text(std::string_view control) const {
  std::lock_guard lock(mutex_);
  auto it = state_.find(control);
  return it == state_.end() ? std::string() : it->second.text;
}

void Window::SetText(std::string_view control, std::string_view text) {
  {
    std::lock_guard lock(mutex_);
    auto it = state_.find(control);
    if (it == state_.end()) return;
    it->second.text = std::string(text);
  }
  Notify(control, Property::Text);
}

int Window::Width(std::string_view control) const {
  std::lock_guard lock(mutex_);
  auto it = state_.find(control);
  return it == state_.end() ? 0 : it->second.width;
}

void Window::SetWidth(std::string_view control, int width) {
  {
    std::lock_guard lock(mutex_);
    auto it = state_.find(control);
    if (it == state_.end()) return;
    it->second.width = width;
  }
  Notify(control, Property::Width);
}

bool Window::Enabled(std::string_view control) const {
  std::lock_guard lock(mutex_);
  auto it = state_.find(control);
  return it != state_.end() && it->second.enabled;
}

void Window::SetEnabled(std::string_view control, bool enabled) {
  {
    std::lock_guard lock(mutex_);
    auto it = state_.find(control);
    if (it == state_.end()) return;
    it->second.enabled = enabled;
  }
  Notify(control, Property::Enabled);
}

Bytes Window::Picture(std::string_view control) const {
  std::lock_guard lock(mutex_);
  auto it = state_.find(control);
  return it == state_.end() ? Bytes() : it->second.picture;
}

void Window::SetPicture(std::string_view control, Bytes image) {
  {
    std::lock_guard lock(mutex_);
    auto it = state_.find(control);
    if (it == state_.end()) return;
    it->second.picture = std::move(image);
  }
  Notify(control, Property::Picture);
}

int Window::TimerPeriod(std::string_view control) const {
  std::lock_guard lock(mutex_);
  auto it = state_.find(control);
  return it == state_.end() ? 0 : it->second.timerMs;
}

void Window::SetTimerPeriod(std::string_view control, int ms) {
  {
    std::lock_guard lock(mutex_);
    auto it = state_.find(control);
    if (it == state_.end()) return;
    it->second.timerMs = ms;
  }
  Notify(control, Property::TimerPeriod);
}

void Window::OnCreate(Handler handler) {
  std::lock_guard lock(mutex_);
  onCreate_ = std::move(handler);
}

void Window::OnClick(std::string_view control, Handler handler) {
  std::lock_guard lock(mutex_);
  onClick_[std::string(control)] = std::move(handler);
}

void Window::OnTimer(std::string_view control, Handler handler) {
  std::lock_guard lock(mutex_);
  onTimer_[std::string(control)] = std::move(handler);
}

Window::Handler Window::HandlerOf(const std::map<std::string, Handler, std::less<>>& handlers,
                                  std::string_view control) const {
  std::lock_guard lock(mutex_);
  auto it = handlers.find(control);
  return it == handlers.end() ? Handler() : it->second;
}

void Window::FireCreate() {
  Handler h;
  {
    std::lock_guard lock(mutex_);
    h = onCreate_;
  }
  if (h) h(*this);
}

void Window::FireClick(std::string_view control) {
  if (IsDestroyed() || !Enabled(control)) return;
  if (auto h = HandlerOf(onClick_, control)) h(*this);
}

void Window::FireTimer(std::string_view control) {
  if (IsDestroyed()) return;
  if (auto h = HandlerOf(onTimer_, control)) h(*this);
}

void Window::Destroy() {
  if (destroyed_.exchange(true)) return;
  Notify({}, Property::Destroyed);
  // Wake the modal loop of the window's thread, wherever Destroy came from.
  Post([] {});
}

void Window::Minimize() { Notify({}, Property::Minimized); }

void Window::BindToCurrentThread() {
  std::lock_guard lock(mutex_);
  queue_ = MessageQueue::OfCurrentThread();
}

void Window::Post(MessageQueue::Message message) {
  std::shared_ptr<MessageQueue> q;
  {
    std::lock_guard lock(mutex_);
    q = queue_;
  }
  q->Post(std::move(message));
}

int Window::AddListener(Listener listener) {
  std::lock_guard lock(mutex_);
  int id = nextListener_++;
  listeners_.emplace(id, std::move(listener));
  return id;
}

void Window::RemoveListener(int id) {
  std::lock_guard lock(mutex_);
  listeners_.erase(id);
}

void Window::Notify(std::string_view control, Property property) {
  std::vector<Listener> copy;
  {
    std::lock_guard lock(mutex_);
    for (auto& [id, l] : listeners_) copy.push_back(l);
  }
  for (auto& l : copy) l(control, property);
}

}  // namespace brisklet::platform
