#include "download/get_command.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/app_state.h"
#include "app/config.h"
#include "app/settings_file.h"
#include "download/download_windows.h"
#include "download/thread_count.h"
#include "download/window_texts.h"
#include "platform/codepage.h"
#include "platform/ui/headless_backend.h"

namespace brisklet::download {
namespace {

using Clock = std::chrono::steady_clock;
using platform::GbkToUtf8;

const char kUsage[] =
    "usage: brisklet get [--engine 0|1] [--threads N] [--dir DIR] [--password PWD] LINK\n"
    "\n"
    "Downloads the file behind LINK with the chosen engine, as its download window would:\n"
    "  --engine 0|1   0: segments joined from part files; 1: blocks written in place.\n"
    "                 Default: the engine of the settings file.\n"
    "  --threads N    connections at once (default: the settings file's count, else 32;\n"
    "                 0 or less means 32, more than 128 means 128)\n"
    "  --dir DIR      save the file in DIR instead of the desktop folder\n"
    "  --password PWD the share password of a share link\n"
    "\n"
    "Exit status:\n"
    "  0  the whole file is on disk\n"
    "  1  the download failed: not every byte arrived, or the file could not be written\n"
    "  2  the command line could not be understood\n"
    "  3  a share link: these cannot be resolved yet\n"
    "  4  the address gave no file data (the server told no size)\n"
    "  5  stopped before the end (interrupted)\n";

struct Arguments {
  int engine = -1;  // -1: the settings file's
  std::optional<long long> threads;
  std::string dir;  // UTF-8
  std::string password;
  std::string link;  // UTF-8
  bool help = false;
};

std::optional<long long> Integer(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return std::nullopt;
  return errno == ERANGE ? (v < 0 ? -1 : kThreadCeiling + 1LL) : v;
}

std::optional<Arguments> Parse(int argc, char** argv) {
  Arguments a;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    auto takes = [&](const char* name) {
      std::string n = name;
      if (arg == n && i + 1 < argc) {
        value = argv[++i];
        return true;
      }
      if (arg.rfind(n + "=", 0) == 0) {
        value = arg.substr(n.size() + 1);
        return true;
      }
      return false;
    };
    if (arg == "-h" || arg == "--help") {
      a.help = true;
    } else if (takes("--engine")) {
      if (value != "0" && value != "1") return std::nullopt;
      a.engine = value[0] - '0';
    } else if (takes("--threads")) {
      a.threads = Integer(value);
      if (!a.threads) return std::nullopt;
    } else if (takes("--dir")) {
      a.dir = value;
    } else if (takes("--password")) {
      a.password = value;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return std::nullopt;
    } else if (a.link.empty()) {
      a.link = arg;
    } else {
      return std::nullopt;
    }
  }
  if (a.link.empty() && !a.help) return std::nullopt;
  return a;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view pattern) {
  if (pattern.empty() || pattern.size() > text.size()) return false;
  for (std::size_t i = 0; i + pattern.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < pattern.size() && std::tolower(static_cast<unsigned char>(text[i + k])) ==
                                     std::tolower(static_cast<unsigned char>(pattern[k])))
      ++k;
    if (k == pattern.size()) return true;
  }
  return false;
}

std::string HumanBytes(double bytes) {
  const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int u = 0;
  while (bytes >= 1024 && u < 4) bytes /= 1024, ++u;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, u == 0 ? "%.0f %s" : "%.1f %s", bytes, units[u]);
  return buffer;
}

std::string Duration(double seconds) {
  if (seconds < 0 || seconds > 360000) return "--:--";
  auto s = static_cast<long>(seconds + 0.5);
  char buffer[32];
  if (s >= 3600)
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld", s / 60, s % 60);
  return buffer;
}

// Shows the window on the terminal: label texts as lines when they change, and on a terminal
// a status line (bar, percentage, speed, time left) redrawn at most ten times a second.
class TerminalView {
 public:
  explicit TerminalView(platform::Window& window) : window_(window), tty_(::isatty(1) == 1) {}

  void OnBytes(std::int64_t done, std::int64_t total) {
    done_ = done;
    total_ = total;
    Redraw(false);
  }

  void OnChange(std::string_view control, platform::Property property) {
    const WindowTexts& t = Texts();
    if (property != platform::Property::Text) return;
    if (control == t.nameLabel || control == t.title || control == t.sizeLabel ||
        control == t.progressLabel)
      PrintIfNew(std::string(control));
  }

  void Line(const std::string& utf8) {
    std::lock_guard lock(mutex_);
    ClearStatus();
    std::printf("%s\n", utf8.c_str());
    std::fflush(stdout);
  }

  void Redraw(bool force) {
    std::lock_guard lock(mutex_);
    auto now = Clock::now();
    if (!tty_ || (!force && now - lastDraw_ < std::chrono::milliseconds(100))) return;
    lastDraw_ = now;
    std::int64_t done = done_, total = total_;
    double seconds = std::chrono::duration<double>(now - start_).count();
    double speed = seconds > 0 ? done / seconds : 0;
    int width = window_.Width(Texts().bar);
    int cells = 30 * std::min(width, 320) / 320;
    std::string bar = "[" + std::string(cells, '#') + std::string(30 - cells, '.') + "]";
    std::printf("\r%s %s/%s  %s/s  %s%s\x1b[K", bar.c_str(), HumanBytes(done).c_str(),
                total > 0 ? HumanBytes(total).c_str() : "?", HumanBytes(speed).c_str(),
                GbkToUtf8(platform::Gbk("剩余 ")).c_str(),
                speed > 0 && total > 0 ? Duration((total - done) / speed).c_str() : "--:--");
    std::fflush(stdout);
    statusShown_ = true;
  }

  void End() {
    Redraw(true);
    std::lock_guard lock(mutex_);
    if (statusShown_) std::printf("\n");
    statusShown_ = false;
    std::fflush(stdout);
  }

 private:
  void ClearStatus() {
    if (statusShown_) std::printf("\r\x1b[K");
    statusShown_ = false;
  }

  void PrintIfNew(const std::string& control) {
    std::string text = window_.Text(control);
    {
      std::lock_guard lock(mutex_);
      std::string& last = shown_[control];
      if (text == last) return;
      // Without a terminal, progress lines come at most once a second.
      auto now = Clock::now();
      bool progress = control == Texts().progressLabel || control == Texts().sizeLabel;
      if (!tty_ && progress && now - lastProgressLine_ < std::chrono::seconds(1) &&
          text.find(platform::Gbk("100%")) == std::string::npos)
        return;
      if (progress && tty_) return;  // the status line carries it
      if (progress) lastProgressLine_ = now;
      last = text;
    }
    Line(GbkToUtf8(text));
  }

  platform::Window& window_;
  const bool tty_;
  std::mutex mutex_;
  std::map<std::string, std::string> shown_;
  std::atomic<std::int64_t> done_{0}, total_{0};
  const Clock::time_point start_ = Clock::now();
  Clock::time_point lastDraw_{};
  Clock::time_point lastProgressLine_{};
  bool statusShown_ = false;
};

// Ctrl-C and SIGTERM close the window, as its close button would: the engines see the closed
// window and stop their workers, and part files are cleared. The signals are taken by a thread
// of their own with sigwait (blocked everywhere else), because closing a window takes locks that
// a signal handler must not.
class InterruptWatch {
 public:
  explicit InterruptWatch(platform::Window& window) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    thread_ = std::thread([this, &window] {
      int sig = 0;
      while (sigwait(&set_, &sig) == 0 && !finished_) {
        interrupted_ = true;
        window.Destroy();
      }
    });
  }
  ~InterruptWatch() {
    finished_ = true;
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  bool Interrupted() const { return interrupted_; }

 private:
  sigset_t set_{}, previous_{};
  std::atomic<bool> finished_{false}, interrupted_{false};
  std::thread thread_;
};

int ExitOf(const std::optional<DownloadOutcome>& outcome) {
  if (!outcome) return kGetInterrupted;
  switch (outcome->result) {
    case DownloadOutcome::Result::Complete:
      return kGetComplete;
    case DownloadOutcome::Result::NoFileData:
      return kGetNoFileData;
    case DownloadOutcome::Result::Stopped:
      return kGetInterrupted;
    case DownloadOutcome::Result::Incomplete:
    case DownloadOutcome::Result::WriteFailed:
      return kGetFailed;
  }
  return kGetFailed;
}

}  // namespace

int RunGetCommand(int argc, char** argv) {
  std::optional<Arguments> args = Parse(argc, argv);
  if (!args) {
    std::fputs(kUsage, stderr);
    return kGetUsage;
  }
  if (args->help) {
    std::fputs(kUsage, stdout);
    return kGetComplete;
  }

  app::AppState& state = app::AppState::Instance();
  state.config = app::LoadConfig();
  const std::string link = platform::Utf8ToGbk(args->link);
  for (const std::string* pattern :
       {&state.config.baiduPattern, &state.config.lanzouPattern, &state.config.tianyiPattern}) {
    if (ContainsIgnoringCase(link, *pattern)) {
      std::fprintf(stderr, "brisklet get: %s is a share link; share links cannot be resolved yet\n",
                   args->link.c_str());
      return kGetShareLink;
    }
  }

  platform::HeadlessBackend backend;
  platform::InstallUiBackend(&backend);
  state.downloadAddress = link;
  const int engine = args->engine >= 0 ? args->engine : (app::ReadEngineSetting() == 1 ? 1 : 0);
  state.engine = engine;

  DownloadOptions options;
  if (!args->dir.empty())
    options.saveFolder = platform::Utf8ToGbk(args->dir + (args->dir.back() == '/' ? "" : "/"));
  if (args->threads) options.threads = UsableThreadCount(*args->threads);
  options.closeDelayMs = 0;  // nobody looks at a terminal window's last text

  std::optional<DownloadOutcome> outcome;
  std::mutex outcomeMutex;
  TerminalView* view = nullptr;
  platform::Window* windowRef = nullptr;
  options.onBytes = [&view](std::int64_t done, std::int64_t total) {
    if (view) view->OnBytes(done, total);
  };
  options.onOutcome = [&](const DownloadOutcome& o) {
    {
      std::lock_guard lock(outcomeMutex);
      outcome = o;
    }
    // Engine 1 leaves a failed window open for its user; here the command is that user.
    if (o.result != DownloadOutcome::Result::Complete && windowRef) windowRef->Destroy();
  };

  auto window =
      engine == 1 ? MakeCompatDownloadWindow(state, options) : MakeDownloadWindow(state, options);
  windowRef = window.get();
  TerminalView terminal(*window);
  view = &terminal;
  window->AddListener([&terminal](std::string_view control, platform::Property p) {
    terminal.OnChange(control, p);
  });
  terminal.Line(GbkToUtf8(window->Text(Texts().title)));

  backend.OnShow([&](platform::Window& w) {
    const int threads = UsableThreadCount(state.threadCount.load());
    terminal.Line(GbkToUtf8(platform::Gbk("引擎 ")) + std::to_string(engine) + "  " +
                  GbkToUtf8(platform::Gbk("线程数量：")) + std::to_string(threads) + " (" +
                  GbkToUtf8(platform::Gbk("上限 ")) + std::to_string(kThreadCeiling) + ")");
    w.FireClick(Texts().startButton);
  });
  bool interrupted = false;
  {
    InterruptWatch watch(*window);
    platform::OpenWindowModal(*window);
    window.reset();  // engine 1: waits for its threads
    interrupted = watch.Interrupted();
  }
  view = nullptr;
  terminal.End();
  platform::InstallUiBackend(nullptr);

  std::lock_guard lock(outcomeMutex);
  int code = interrupted && (!outcome || outcome->result != DownloadOutcome::Result::Complete)
                 ? kGetInterrupted
                 : ExitOf(outcome);
  if (code == kGetComplete) std::printf("%s\n", GbkToUtf8(outcome->path).c_str());
  return code;
}

}  // namespace brisklet::download
