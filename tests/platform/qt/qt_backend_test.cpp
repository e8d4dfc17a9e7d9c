#include "platform/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QEventLoop>
#include <QImage>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/codepage.h"
#include "platform/qt/qt_text.h"
#include "resources/tray_icon.h"

namespace brisklet::platform {
namespace {

using namespace std::chrono_literals;

// The download window's layout, with a title strip holding a label as the parser window has.
WindowDef SampleDef() {
  WindowDef def;
  def.name = "SampleWindow";
  def.width = 552;
  def.height = 202;
  def.borderless = true;
  def.skinned = true;
  def.controls = {
      {Gbk("窗口EX1"), ControlKind::Frame, 4, 4, 24, 24, ""},
      {Gbk("图片框1"), ControlKind::PictureBox, 0, 0, 180, 30, ""},
      {Gbk("透明标签1"), ControlKind::TransparentLabel, 8, 4, 160, 22, Gbk("文件解析器"),
       Gbk("图片框1")},
      {Gbk("标签EX4"), ControlKind::Label, 192, 35, 264, 24, Gbk("青梧AI下载器 - 准备就绪")},
      {Gbk("图片框EX1"), ControlKind::PictureBox, 193, 87, 0, 18, ""},
      {Gbk("标签EX3"), ControlKind::Label, 192, 143, 192, 24, Gbk("下载进度：暂未开始")},
      {Gbk("编辑框EX1"), ControlKind::EditBox, 112, 70, 56, 20, "32"},
      {Gbk("单选框EX1"), ControlKind::RadioButton, 180, 72, 88, 16, Gbk("全局检测")},
      {Gbk("按钮EX2"), ControlKind::Button, 419, 120, 99, 33, Gbk("开始下载")},
      {Gbk("按钮EX5"), ControlKind::SmallButton, 501, 27, 17, 17, ""},
      {Gbk("时钟1"), ControlKind::Timer, 0, 0, 0, 0, "", "", 0},
  };
  return def;
}

WindowDef TimerOnlyDef(int ms) {
  WindowDef def;
  def.name = "TrayWindow";
  def.controls = {{Gbk("时钟1"), ControlKind::Timer, 0, 0, 0, 0, "", "", ms}};
  return def;
}

// Destroys the window after `limit` from another thread, so that a broken loop fails the test
// instead of hanging it.
class Watchdog {
 public:
  Watchdog(Window& window, std::chrono::milliseconds limit)
      : thread_([this, &window, limit] {
          auto end = std::chrono::steady_clock::now() + limit;
          while (!stop_ && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(5ms);
          if (!stop_) {
            fired_ = true;
            window.Destroy();
          }
        }) {}
  ~Watchdog() {
    stop_ = true;
    thread_.join();
  }
  bool Fired() const { return fired_; }

 private:
  std::atomic<bool> stop_{false}, fired_{false};
  std::thread thread_;
};

class QtBackendTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }
  void SetUp() override { backend_ = std::make_unique<QtBackend>(); }
  void TearDown() override { backend_.reset(); }

  // Runs `script` on the user-interface thread once the window is shown, then returns when
  // the window is destroyed; false when the watchdog had to end it.
  bool RunModalWith(Window& window, std::function<void(QWidget& shown)> script) {
    Watchdog watchdog(window, 5s);
    window.OnCreate([&](Window&) {
      QTimer::singleShot(0, [&] {
        QWidget* shown = Shown(window.Definition().name);
        if (shown)
          script(*shown);
        else
          ADD_FAILURE() << "the window is not shown";
      });
    });
    backend_->RunModal(window);
    return !watchdog.Fired();
  }

  static QWidget* Shown(const std::string& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QString::fromStdString(name) && w->isVisible()) return w;
    return nullptr;
  }

  template <typename T = QWidget>
  static T* Control(QWidget& shown, std::string_view utf8Name) {
    return shown.findChild<T*>(ToQt(Gbk(utf8Name)));
  }

  // Repeats `check` every few milliseconds on the user-interface thread until it returns true.
  static void Until(std::function<bool()> check) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, check] {
      if (check()) timer->deleteLater();
    });
    timer->start(5);
  }

  std::unique_ptr<QtBackend> backend_;
};

TEST_F(QtBackendTest, ControlsStandAtTheirPlacesWithTheirTexts) {
  Window window(SampleDef());
  struct Expected {
    const char* name;
    QRect geometry;
    const char* text;
  };
  const Expected expected[] = {
      {"透明标签1", {8, 4, 160, 22}, "文件解析器"},
      {"标签EX4", {192, 35, 264, 24}, "青梧AI下载器 - 准备就绪"},
      {"标签EX3", {192, 143, 192, 24}, "下载进度：暂未开始"},
      {"编辑框EX1", {112, 70, 56, 20}, "32"},
      {"单选框EX1", {180, 72, 88, 16}, "全局检测"},
      {"按钮EX2", {419, 120, 99, 33}, "开始下载"},
      {"按钮EX5", {501, 27, 17, 17}, nullptr},
      {"图片框EX1", {193, 87, 0, 18}, nullptr},
  };
  ASSERT_TRUE(RunModalWith(window, [&](QWidget& shown) {
    EXPECT_EQ(shown.size(), QSize(552, 202));
    EXPECT_TRUE(shown.windowFlags() & Qt::FramelessWindowHint);
    for (const auto& e : expected) {
      QWidget* w = Control(shown, e.name);
      ASSERT_NE(w, nullptr) << e.name;
      EXPECT_EQ(w->geometry(), e.geometry) << e.name;
      if (!e.text) continue;
      QString text = w->property("text").toString();
      EXPECT_EQ(text, QString::fromUtf8(e.text)) << e.name;
    }
    EXPECT_EQ(Control(shown, "透明标签1")->parentWidget(), Control(shown, "图片框1"));
    window.Destroy();
  }));
}

TEST_F(QtBackendTest, TextsAndWidthsWrittenByAWorkerThreadReachTheWidgets) {
  Window window(SampleDef());
  std::thread worker;
  ASSERT_TRUE(RunModalWith(window, [&](QWidget& shown) {
    worker = std::thread([&] {
      for (int percent = 0; percent <= 100; ++percent) {
        window.SetText(Gbk("标签EX3"), Gbk("下载进度：") + std::to_string(percent) + "%");
        window.SetWidth(Gbk("图片框EX1"), percent * 320 / 100);
      }
    });
    auto* label = Control<QLabel>(shown, "标签EX3");
    auto* bar = Control(shown, "图片框EX1");
    Until([&, label, bar] {
      if (label->text() != QString::fromUtf8("下载进度：100%") || bar->width() != 320) return false;
      window.Destroy();
      return true;
    });
  }));
  worker.join();
}

Bytes Encoded(const QImage& image, const char* format) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return Bytes(data.begin(), data.end());
}

TEST_F(QtBackendTest, PictureBoxesShowPngAndJpegBytesAndStayEmptyForOtherBytes) {
  QImage red(40, 40, QImage::Format_RGB32);
  red.fill(Qt::red);
  struct Case {
    const char* what;
    Bytes bytes;
    bool shown;
  };
  const Case cases[] = {{"png", Encoded(red, "PNG"), true},
                        {"jpeg", Encoded(red, "JPEG"), true},
                        {"garbage", Bytes(300, 0x5A), false}};
  for (const Case& c : cases) {
    Window window(SampleDef());
    std::thread worker;
    ASSERT_TRUE(RunModalWith(window, [&](QWidget& shown) {
      worker = std::thread([&] { window.SetPicture(Gbk("图片框1"), c.bytes); });
      auto* box = Control(shown, "图片框1");
      Until([&, box] {
        if (!window.Picture(Gbk("图片框1")).size()) return false;
        QColor middle = box->grab().toImage().pixelColor(box->width() / 2, box->height() - 2);
        bool red = middle.red() > 200 && middle.green() < 60 && middle.blue() < 60;
        if (red != c.shown) return false;
        window.Destroy();
        return true;
      });
    })) << c.what;
    worker.join();
  }
}

TEST_F(QtBackendTest, AHiddenWindowFreedWithoutDestroyStopsItsTimers) {
  auto tray = std::make_unique<Window>(TimerOnlyDef(5));
  int ticks = 0;
  tray->OnTimer(Gbk("时钟1"), [&](Window&) { ++ticks; });
  backend_->LoadHidden(*tray);
  auto until = [](std::function<bool()> done, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
  };
  ASSERT_TRUE(until([&] { return ticks >= 2; }, 2s));
  tray.reset();
  int freedAt = ticks;
  until([] { return false; }, 50ms);  // a tick now would reach a freed window (ASan)
  EXPECT_EQ(ticks, freedAt);
}

TEST_F(QtBackendTest, ClickingAButtonRunsItsHandlerOnTheUserInterfaceThreadWhileEnabled) {
  Window window(SampleDef());
  int clicks = 0;
  std::thread::id handlerThread;
  window.OnClick(Gbk("按钮EX2"), [&](Window& w) {
    ++clicks;
    handlerThread = std::this_thread::get_id();
    w.Destroy();
  });
  ASSERT_TRUE(RunModalWith(window, [&](QWidget& shown) {
    auto* button = Control<QPushButton>(shown, "按钮EX2");
    window.SetEnabled(Gbk("按钮EX2"), false);
    Until([&, button] {
      if (button->isEnabled()) return false;
      QTest::mouseClick(button, Qt::LeftButton);  // ignored while disabled
      EXPECT_EQ(clicks, 0);
      window.SetEnabled(Gbk("按钮EX2"), true);
      Until([button] {
        if (!button->isEnabled()) return false;
        QTest::mouseClick(button, Qt::LeftButton);
        return true;
      });
      return true;
    });
  }));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST_F(QtBackendTest, TypingIntoAnEditBoxWritesTheWindowsText) {
  Window window(SampleDef());
  ASSERT_TRUE(RunModalWith(window, [&](QWidget& shown) {
    auto* edit = Control<QLineEdit>(shown, "编辑框EX1");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "8");
    // Chinese comes from an input method as a committed string.
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("线程"));
    QApplication::sendEvent(edit, &commit);
    window.Destroy();
  }));
  EXPECT_EQ(window.Text(Gbk("编辑框EX1")), Gbk("8线程"));
}

TEST_F(QtBackendTest, TheModalLoopKeepsOtherTimersAndPostedMessagesRunning) {
  Window tray(TimerOnlyDef(10));
  std::atomic<int> trayTicks{0};
  tray.OnTimer(Gbk("时钟1"), [&](Window&) { ++trayTicks; });
  backend_->LoadHidden(tray);
  int backendTicks = 0;
  backend_->StartTimer(10, [&] { ++backendTicks; });
  std::atomic<bool> posted{false};
  auto uiQueue = MessageQueue::OfCurrentThread();
  std::thread poster([&] { uiQueue->Post([&] { posted = true; }); });

  Window window(SampleDef());
  window.OnTimer(Gbk("时钟1"), [&](Window& w) {
    if (trayTicks >= 3 && backendTicks >= 3 && posted) w.Destroy();
  });
  ASSERT_TRUE(RunModalWith(window, [&](QWidget&) { window.SetTimerPeriod(Gbk("时钟1"), 10); }));
  poster.join();
  tray.Destroy();
}

TEST_F(QtBackendTest, ATimerKeepsTickingWhileItsOwnTickHasAModalWindowOpen) {
  Window window(SampleDef());
  int ticks = 0;
  bool opened = false;
  Watchdog watchdog(window, 5s);
  int timer = backend_->StartTimer(10, [&] {
    ++ticks;
    if (!opened) {
      opened = true;
      backend_->RunModal(window);
    } else if (ticks >= 4) {
      window.Destroy();
    }
  });
  Window tray(TimerOnlyDef(10));
  int trayTicks = 0;
  tray.OnTimer(Gbk("时钟1"), [&](Window&) {
    if (++trayTicks == 1) {
      Window inner(SampleDef());
      inner.OnCreate([&](Window&) { QTimer::singleShot(30, [&] { inner.Destroy(); }); });
      int before = trayTicks;
      backend_->RunModal(inner);
      EXPECT_GT(trayTicks, before) << "the window timer ticked inside its own tick";
    }
  });
  backend_->LoadHidden(tray);
  QEventLoop loop;
  QTimer::singleShot(0, [&] {
    while (!window.IsDestroyed()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    loop.quit();
  });
  loop.exec();
  backend_->StopTimer(timer);
  tray.Destroy();
  EXPECT_FALSE(watchdog.Fired());
  EXPECT_GE(ticks, 4);
}

TEST_F(QtBackendTest, AWaitThatDispatchesMessagesKeepsQtTimersAndPaintingAlive) {
  Window window(SampleDef());
  bool timerFired = false;
  bool waitEnded = false;
  window.OnTimer(Gbk("时钟1"), [&](Window&) { timerFired = true; });
  window.OnClick(Gbk("按钮EX2"), [&](Window& w) {
    // What PumpWait does on the user-interface thread.
    w.SetTimerPeriod(Gbk("时钟1"), 10);
    auto queue = MessageQueue::OfCurrentThread();
    auto end = std::chrono::steady_clock::now() + 3s;
    while (!timerFired && std::chrono::steady_clock::now() < end) {
      DispatchPendingMessages();
      queue->WaitForMessage(50ms);
    }
    waitEnded = timerFired;
    w.Destroy();
  });
  ASSERT_TRUE(RunModalWith(window, [&](QWidget& shown) {
    QTest::mouseClick(Control(shown, "按钮EX2"), Qt::LeftButton);
  }));
  EXPECT_TRUE(waitEnded);
}

TEST_F(QtBackendTest, AModalWindowOpenedFromAClickReturnsToTheFirstWindow) {
  Window first(SampleDef());
  WindowDef secondDef = SampleDef();
  secondDef.name = "SettingsWindow";
  Window second(secondDef);
  second.OnTimer(Gbk("时钟1"), [](Window& w) { w.Destroy(); });
  second.OnCreate([](Window& w) { w.SetTimerPeriod(Gbk("时钟1"), 20); });
  bool returned = false;
  first.OnClick(Gbk("按钮EX2"), [&](Window& w) {
    backend_->RunModal(second);
    returned = true;
    w.Destroy();
  });
  ASSERT_TRUE(RunModalWith(first, [&](QWidget& shown) {
    QTest::mouseClick(Control(shown, "按钮EX2"), Qt::LeftButton);
  }));
  EXPECT_TRUE(returned);
  EXPECT_TRUE(second.IsDestroyed());
}

TEST_F(QtBackendTest, PopupMenuReturnsTheChosenOneBasedPositionAndKeepsDisabledEntriesGrey) {
  Menu menu(
      {{"", true}, {Gbk("磁力搜索")}, {"", true}, {Gbk("版本判断"), false, false}, {Gbk("退出")}});
  bool disabledGrey = false;
  int tries = 0;
  Until([&] {
    QMenu* popup = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible()) popup = m;
    if (!popup) return ++tries > 600;  // about three seconds
    for (QAction* a : popup->actions())
      if (a->text() == QString::fromUtf8("版本判断")) disabledGrey = !a->isEnabled();
    for (QAction* a : popup->actions())
      if (a->text() == QString::fromUtf8("退出"))
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(a).center());
    popup->close();  // when the click chose nothing, the menu still ends (and the test fails)
    return true;
  });
  EXPECT_EQ(backend_->PopupMenu(menu), 5u);
  EXPECT_TRUE(disabledGrey);
}

TEST_F(QtBackendTest, MessageBoxHasNoIconAndAnswersWithTheButtonPressed) {
  QString shownText, shownTitle;
  bool noIcon = false;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shownText = box->text();
    shownTitle = box->windowTitle();
    noIcon = box->icon() == QMessageBox::NoIcon;
    box->button(QMessageBox::Yes)->click();
  });
  EXPECT_EQ(backend_->MessageBox(Gbk("发现新版本，是否更新？"), Gbk("提示"), MessageButtons::YesNo),
            MessageAnswer::Yes);
  EXPECT_EQ(shownText, QString::fromUtf8("发现新版本，是否更新？"));
  EXPECT_EQ(shownTitle, QString::fromUtf8("提示"));
  EXPECT_TRUE(noIcon);
}

// A version check on a thread of its own shows its message box, and reads the clipboard, while
// the user-interface thread goes on (here: a modal window stays responsive).
TEST_F(QtBackendTest, MessageBoxesAndTheClipboardServeOtherThreads) {
  Window window(SampleDef());
  std::thread worker;
  std::atomic<int> answer{0};
  std::string clipboard;
  backend_->SetClipboardText(Gbk("链接"));
  ASSERT_TRUE(RunModalWith(window, [&](QWidget&) {
    worker = std::thread([&] {
      clipboard = backend_->ClipboardText();
      answer = int(backend_->MessageBox(Gbk("无法连接服务器"), Gbk("提示"), MessageButtons::YesNo));
      window.Destroy();
    });
    Until([] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return false;
      box->button(QMessageBox::No)->click();
      return true;
    });
  }));
  worker.join();
  EXPECT_EQ(answer.load(), int(MessageAnswer::No));
  EXPECT_EQ(clipboard, Gbk("链接"));
}

TEST_F(QtBackendTest, InputBoxGivesTheTypedTextOrNothingWhenCancelled) {
  for (bool accept : {true, false}) {
    QString prompt;
    QTimer::singleShot(50, [&] {
      auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      prompt = dialog->labelText();
      dialog->setTextValue(dialog->textValue() + QString::fromUtf8("密码"));
      accept ? dialog->accept() : dialog->reject();
    });
    auto typed = backend_->InputBox(Gbk("请输入提取码"), Gbk("文件解析器"), "ab");
    EXPECT_EQ(prompt, QString::fromUtf8("请输入提取码"));
    if (accept)
      EXPECT_EQ(typed, std::optional<std::string>("ab" + Gbk("密码")));
    else
      EXPECT_EQ(typed, std::nullopt);
  }
}

TEST_F(QtBackendTest, ClipboardTextComesAsGbkWithUnmappableCharactersAsQuestionMarks) {
  backend_->SetClipboardText(Gbk("https://例子.cn/setup.EXE"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("https://例子.cn/setup.EXE"));
  QGuiApplication::clipboard()->setText(QString::fromUtf8("下载한"));
  EXPECT_EQ(backend_->ClipboardText(), Gbk("下载") + "?");
}

TEST_F(QtBackendTest, TheTrayIconIsASixteenPixelPictureWithTransparentCorners) {
  QImage icon;
  Bytes png = resources::TrayIconPng();
  ASSERT_TRUE(icon.loadFromData(png.data(), int(png.size()), "PNG"));
  EXPECT_EQ(icon.size(), QSize(16, 16));
  EXPECT_TRUE(icon.hasAlphaChannel());
  EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(icon.pixel(8, 8)), 255);
}

}  // namespace
}  // namespace brisklet::platform
