#pragma once
// Windows as data plus handlers.
//
// A WindowDef lists a window's controls (kind, place, size, initial text) under the names the
// system's code uses ("标签EX1", "按钮EX2"). A Window is a live instance: the state of its
// controls, readable and writable from any thread, and the handlers the system attaches to
// its events. Backends (Qt, headless) show a Window and fire its events; they learn of state
// changes through listeners. All texts are GBK; backends convert at the edge.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bytes.h"
#include "platform/ui/message_queue.h"

namespace brisklet::platform {

enum class ControlKind {
  Frame,  // skinned window frame
  Label,
  TransparentLabel,
  Button,
  SmallButton,  // the skinned windows' 17×17 title buttons
  PictureButton,
  PictureBox,
  EditBox,
  RadioButton,
  Timer,
};

struct ControlDef {
  std::string name;  // GBK
  ControlKind kind = ControlKind::Label;
  int x = 0, y = 0, width = 0, height = 0;
  std::string text;    // initial text, GBK
  std::string parent;  // containing control; empty for the window itself
  int timerMs = 0;     // Timer: initial period, 0 = stopped
};

struct WindowDef {
  std::string name;   // type name, e.g. "DownloadWindow"
  std::string title;  // GBK
  int width = 0, height = 0;
  bool borderless = false;
  bool skinned = false;  // drawn with the skinned look (settings and download windows)
  std::vector<ControlDef> controls;

  const ControlDef* Find(std::string_view control) const;
};

enum class Property { Text, Width, Enabled, Picture, TimerPeriod, Destroyed, Minimized };

class Window {
 public:
  using Handler = std::function<void(Window&)>;
  using Listener = std::function<void(std::string_view control, Property)>;

  explicit Window(WindowDef def);
  // A window freed without Destroy is destroyed first, so backends and listeners that still
  // hold it (a hidden window's timers) let go of it.
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const WindowDef& Definition() const { return def_; }

  // Control state: any thread. Names the definition does not hold read as empty, 0 or false
  // and ignore writes.
  std::string Text(std::string_view control) const;
  void SetText(std::string_view control, std::string_view text);
  int Width(std::string_view control) const;
  void SetWidth(std::string_view control, int width);
  bool Enabled(std::string_view control) const;
  void SetEnabled(std::string_view control, bool enabled);
  Bytes Picture(std::string_view control) const;
  void SetPicture(std::string_view control, Bytes image);
  int TimerPeriod(std::string_view control) const;
  void SetTimerPeriod(std::string_view control, int ms);

  // Handlers run on the window's thread, the thread that opened it.
  void OnCreate(Handler handler);
  void OnClick(std::string_view control, Handler handler);
  void OnTimer(std::string_view control, Handler handler);

  // Events, fired by a backend on the window's thread (or by a test).
  void FireCreate();
  void FireClick(std::string_view control);  // disabled controls ignore clicks
  void FireTimer(std::string_view control);

  // Destroy may come from any thread; the modal loop showing the window then returns.
  void Destroy();
  bool IsDestroyed() const { return destroyed_.load(); }
  void Minimize();

  // The window's thread: set when the window is opened (the opening thread's queue).
  void BindToCurrentThread();
  // Runs the message on the window's thread.
  void Post(MessageQueue::Message message);

  int AddListener(Listener listener);
  void RemoveListener(int id);

 private:
  struct State {
    std::string text;
    int width = 0;
    bool enabled = true;
    Bytes picture;
    int timerMs = 0;
  };
  void Notify(std::string_view control, Property property);
  Handler HandlerOf(const std::map<std::string, Handler, std::less<>>& handlers,
                    std::string_view control) const;

  const WindowDef def_;
  mutable std::mutex mutex_;
  std::map<std::string, State, std::less<>> state_;
  Handler onCreate_;
  std::map<std::string, Handler, std::less<>> onClick_;
  std::map<std::string, Handler, std::less<>> onTimer_;
  std::map<int, Listener> listeners_;
  int nextListener_ = 1;
  std::shared_ptr<MessageQueue> queue_;
  std::atomic<bool> destroyed_{false};
};

}  // namespace brisklet::platform
