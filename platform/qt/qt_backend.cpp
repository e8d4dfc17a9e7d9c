#include "platform/qt/qt_backend.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QEventLoop>
#include <QIcon>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <type_traits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "platform/audio/wave_player.h"
#include "platform/qt/picture_box.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window.h"
#include "resources/tray_icon.h"

namespace brisklet::platform {
namespace {

// Wakes Qt's event loop when a message is posted to the user-interface thread's queue, from
// any thread; one wake-up is outstanding at a time.
struct Waker {
  std::mutex mutex;
  QObject* target = nullptr;  // null once the backend is gone
  std::atomic<bool> scheduled{false};

  void Wake(const std::shared_ptr<Waker>& self) {
    std::lock_guard lock(mutex);
    if (!target || scheduled.exchange(true)) return;
    QMetaObject::invokeMethod(
        target,
        [self] {
          self->scheduled = false;
          MessageQueue::OfCurrentThread()->DispatchMessages();
        },
        Qt::QueuedConnection);
  }
};

// On a Wayland session a program without focus cannot read the clipboard; through XWayland
// (Qt's xcb platform) the clipboard watch keeps working. A platform chosen by the user wins.
bool PreferX11() {
  if (std::getenv("QT_QPA_PLATFORM") || !std::getenv("DISPLAY")) return false;
  setenv("QT_QPA_PLATFORM", "xcb", 0);
  return true;
}

// Qt does not fire a timer again while its own timeout is still running, as it is when a tick
// opens a modal window. The system's timers keep ticking then, so the tick runs from a posted
// event instead: the timeout returns at once. A stopped (deleted) timer drops its posted tick.
void PostTick(QTimer* timer, const std::function<void()>& tick) {
  QMetaObject::invokeMethod(timer, tick, Qt::QueuedConnection);
}

QString MenuCaption(const std::string& gbk) {
  // '&' marks a shortcut letter in Qt's menus; the captions mean it literally.
  return ToQt(gbk).replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

struct QtBackend::Impl {
  int argc = 1;
  char arg0[9] = "brisklet";
  char* argv[2] = {arg0, nullptr};
  bool preferX11 = PreferX11();
  // Made first: Qt's painting types cannot exist before the application.
  std::unique_ptr<QApplication> ownApp =
      QApplication::instance() ? nullptr : std::make_unique<QApplication>(argc, argv);
  std::unique_ptr<QObject> dispatcher;  // context of timers and wake-ups, on the UI thread
  std::shared_ptr<MessageQueue> uiQueue;
  std::shared_ptr<Waker> waker = std::make_shared<Waker>();
  int pumpDepth = 0;

  std::mutex timerMutex;
  int nextTimer = 1;
  std::map<int, QTimer*> timers;  // UI thread only

  std::unique_ptr<QSystemTrayIcon> tray;
  std::vector<QPointer<QtWindowHost>> hidden;
  // The modal windows open now, innermost last. A modal window blocks the one it was opened
  // from, as a dialog blocks its owner, and nothing else: the tray icon keeps answering.
  std::vector<QWidget*> modal;
  QEventLoop* mainLoop = nullptr;
  std::optional<int> quitCode;
  QPixmap icon;
  WavePlayer player;

  QWidget* Owner() const { return modal.empty() ? nullptr : modal.back(); }

  bool OnUiThread() const { return QThread::currentThread() == dispatcher->thread(); }
  // Runs `work` on the user-interface thread: at once when called there, else queued.
  void OnUi(std::function<void()> work) {
    if (OnUiThread())
      work();
    else
      QMetaObject::invokeMethod(dispatcher.get(), std::move(work), Qt::QueuedConnection);
  }

  // Runs `work` on the user-interface thread and returns its result. From another thread the
  // caller waits for it: dialogs may be shown from a worker (the version check of a refresh
  // tick runs on a thread of its own), and Qt's widgets live on the user-interface thread.
  template <typename Work>
  auto OnUiAndWait(Work work) -> decltype(work()) {
    using Result = decltype(work());
    if (OnUiThread()) return work();
    if constexpr (std::is_void_v<Result>) {
      QMetaObject::invokeMethod(dispatcher.get(), work, Qt::BlockingQueuedConnection);
    } else {
      Result result{};
      QMetaObject::invokeMethod(
          dispatcher.get(), [&] { result = work(); }, Qt::BlockingQueuedConnection);
      return result;
    }
  }
};

QtBackend::QtBackend() : impl_(std::make_unique<Impl>()) {
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setStyle(QStringLiteral("Fusion"));
  impl_->icon = PixmapFromBytes(resources::TrayIconPng());
  QApplication::setWindowIcon(QIcon(impl_->icon));
  impl_->dispatcher = std::make_unique<QObject>();
  impl_->waker->target = impl_->dispatcher.get();
  impl_->uiQueue = MessageQueue::OfCurrentThread();
  impl_->uiQueue->SetPostHook([w = impl_->waker] { w->Wake(w); });
  // A PumpWait on this thread keeps Qt painting and delivering input. The depth bound keeps a
  // message that waits again from nesting without end.
  impl_->uiQueue->SetToolkitPump([impl = impl_.get()] {
    if (impl->pumpDepth >= 4) return;
    ++impl->pumpDepth;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    --impl->pumpDepth;
  });
  // Messages posted before the backend existed.
  impl_->waker->Wake(impl_->waker);
}

QtBackend::~QtBackend() {
  impl_->uiQueue->SetPostHook(nullptr);
  impl_->uiQueue->SetToolkitPump(nullptr);
  {
    std::lock_guard lock(impl_->waker->mutex);
    impl_->waker->target = nullptr;
  }
  for (auto& host : impl_->hidden) delete host.data();
  for (auto& [id, timer] : impl_->timers) delete timer;
  impl_->tray.reset();
  impl_->icon = QPixmap();  // painting types go before the application
  impl_->dispatcher.reset();
  impl_->ownApp.reset();
}

void QtBackend::RunModal(Window& window) {
  window.BindToCurrentThread();
  QtWindowHost host(window, impl_->icon, impl_->Owner());
  impl_->modal.push_back(&host);
  struct Pop {
    std::vector<QWidget*>& modal;
    ~Pop() { modal.pop_back(); }
  } pop{impl_->modal};
  QEventLoop loop;
  host.OnDestroyed([&loop] { loop.quit(); });
  window.FireCreate();
  if (window.IsDestroyed()) return;
  host.setWindowModality(Qt::WindowModal);
  host.show();
  host.raise();
  host.activateWindow();
  // A Destroy after this check reaches the loop as a queued refresh.
  if (!window.IsDestroyed()) loop.exec();
}

void QtBackend::LoadHidden(Window& window) {
  window.BindToCurrentThread();
  auto* host = new QtWindowHost(window, impl_->icon);
  host->OnDestroyed([host] { host->deleteLater(); });
  impl_->hidden.emplace_back(host);
  window.FireCreate();
}

int QtBackend::RunEventLoop() {
  if (impl_->quitCode) {
    int code = *impl_->quitCode;
    impl_->quitCode.reset();
    return code;
  }
  QEventLoop loop;
  impl_->mainLoop = &loop;
  int code = loop.exec();
  impl_->mainLoop = nullptr;
  impl_->quitCode.reset();
  return code;
}

void QtBackend::Quit(int code) {
  impl_->OnUi([impl = impl_.get(), code] {
    if (impl->mainLoop)
      impl->mainLoop->exit(code);
    else
      impl->quitCode = code;
  });
}

int QtBackend::StartTimer(int periodMs, std::function<void()> tick) {
  int id;
  {
    std::lock_guard lock(impl_->timerMutex);
    id = impl_->nextTimer++;
  }
  impl_->OnUi([impl = impl_.get(), id, periodMs, tick = std::move(tick)] {
    auto* timer = new QTimer(impl->dispatcher.get());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tick] { PostTick(timer, tick); });
    timer->start(std::max(periodMs, 1));
    impl->timers[id] = timer;
  });
  return id;
}

void QtBackend::StopTimer(int id) {
  impl_->OnUi([impl = impl_.get(), id] {
    auto it = impl->timers.find(id);
    if (it == impl->timers.end()) return;
    // The tick that stops its own timer is still running inside it.
    it->second->stop();
    it->second->deleteLater();
    impl->timers.erase(it);
  });
}

bool QtBackend::ShowTrayIcon(const Bytes& png, const std::string& tooltip,
                             std::function<void(TrayEvent)> onEvent) {
  return impl_->OnUiAndWait([&] {
    auto tray = std::make_unique<QSystemTrayIcon>(QIcon(PixmapFromBytes(png)));
    tray->setToolTip(ToQt(tooltip));
    QObject::connect(
        tray.get(), &QSystemTrayIcon::activated, tray.get(),
        [onEvent = std::move(onEvent)](QSystemTrayIcon::ActivationReason reason) {
          if (!onEvent) return;
          switch (reason) {
            case QSystemTrayIcon::Trigger:
              onEvent(TrayEvent::LeftClick);
              break;
            case QSystemTrayIcon::Context:
              onEvent(TrayEvent::RightClick);
              break;
            case QSystemTrayIcon::DoubleClick:
              onEvent(TrayEvent::DoubleClick);
              break;
            default:
              break;
          }
        },
        // Qt reports the click from inside the mouse press; the handler (a menu, a
        // modal window) runs once that event is over, as after a button release.
        Qt::QueuedConnection);
    tray->show();
    impl_->tray = std::move(tray);
    return QSystemTrayIcon::isSystemTrayAvailable();
  });
}

std::size_t QtBackend::PopupMenu(const Menu& menu) {
  return impl_->OnUiAndWait([&] {
    QMenu popup;
    // Runs of separators are part of the menu's look; Qt would fold them into one.
    popup.setSeparatorsCollapsible(false);
    std::map<QAction*, std::size_t> positions;
    auto entries = menu.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].separator) {
        popup.addSeparator();
        continue;
      }
      QAction* action = popup.addAction(MenuCaption(entries[i].caption));
      action->setEnabled(entries[i].enabled);
      positions[action] = i + 1;
    }
    QAction* chosen = popup.exec(QCursor::pos());
    auto it = positions.find(chosen);
    return it == positions.end() ? 0 : it->second;
  });
}

MessageAnswer QtBackend::MessageBox(const std::string& text, const std::string& caption,
                                    MessageButtons buttons) {
  return impl_->OnUiAndWait([&] {
    QMessageBox box(
        QMessageBox::NoIcon, ToQt(caption), ToQt(text),
        buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
        impl_->Owner());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::WindowModal);
    int answer = box.exec();
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  });
}

std::optional<std::string> QtBackend::InputBox(const std::string& prompt, const std::string& title,
                                               const std::string& initial) {
  return impl_->OnUiAndWait([&]() -> std::optional<std::string> {
    QInputDialog dialog(impl_->Owner());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(ToQt(title));
    dialog.setLabelText(ToQt(prompt));
    dialog.setTextValue(ToQt(initial));
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return FromQt(dialog.textValue());
  });
}

std::string QtBackend::ClipboardText() {
  return impl_->OnUiAndWait([&] {
    // As the ANSI text format gives it: what GBK cannot hold becomes "?".
    return FromQt(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
  });
}

void QtBackend::SetClipboardText(const std::string& text) {
  impl_->OnUiAndWait([&] {
    QGuiApplication::clipboard()->setText(ToQt(text), QClipboard::Clipboard);
  });
}

void QtBackend::OpenUrl(const std::string& url) {
  QUrl address(QString::fromStdString(GbkToUtf8(url)), QUrl::TolerantMode);
  impl_->OnUi([address] { QDesktopServices::openUrl(address); });
}

void QtBackend::PlayWave(const Bytes& clip) { impl_->player.Play(clip); }

}  // namespace brisklet::platform
