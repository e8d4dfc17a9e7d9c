#include "platform/qt/qt_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <mutex>
#include <set>
#include <vector>

#include "platform/qt/picture_box.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/skin.h"
#include "platform/qt/title_button.h"

namespace brisklet::platform {
namespace {

const char* const kSkinnedButtonStyle =
    "QPushButton { background: #2f7bd9; color: white; border: none; border-radius: 3px; }"
    "QPushButton:hover { background: #4a90e2; }"
    "QPushButton:pressed { background: #2566b8; }"
    "QPushButton:disabled { background: #a9c4e8; color: #eef3fa; }";

// The small title buttons and empty picture buttons, taken from the right: close, minimise,
// then a menu glyph for the rest (the windows put them in that order).
std::map<std::string, TitleButton::Glyph> TitleGlyphs(const WindowDef& def) {
  std::vector<const ControlDef*> buttons;
  for (const auto& c : def.controls)
    if (c.kind == ControlKind::SmallButton || c.kind == ControlKind::PictureButton)
      buttons.push_back(&c);
  std::stable_sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x > b->x; });
  std::map<std::string, TitleButton::Glyph> glyphs;
  for (std::size_t i = 0; i < buttons.size(); ++i)
    glyphs[buttons[i]->name] = i == 0   ? TitleButton::Glyph::Close
                               : i == 1 ? TitleButton::Glyph::Minimize
                                        : TitleButton::Glyph::Menu;
  return glyphs;
}

bool HoldsControls(const WindowDef& def, const std::string& name) {
  return std::any_of(def.controls.begin(), def.controls.end(),
                     [&](const ControlDef& c) { return c.parent == name; });
}

}  // namespace

struct QtWindowHost::Bridge {
  std::mutex mutex;
  QtWindowHost* host = nullptr;  // null once the host is gone
  std::set<std::pair<std::string, Property>> dirty;
  bool scheduled = false;
  bool destroyed = false;
  bool destroyReported = false;  // user-interface thread only
};

QtWindowHost::QtWindowHost(Window& window, const QPixmap& frameIcon, QWidget* owner)
    : QWidget(owner), window_(window), bridge_(std::make_shared<Bridge>()) {
  const WindowDef& def = window.Definition();
  setObjectName(QString::fromStdString(def.name));
  setWindowTitle(def.title.empty() ? QString::fromStdString(def.name) : ToQt(def.title));
  setWindowFlags(def.borderless ? Qt::Window | Qt::FramelessWindowHint : Qt::Dialog);
  setFixedSize(def.width, def.height);
  if (!def.skinned) setAutoFillBackground(true);
  if (auto* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  bridge_->host = this;
  Build(frameIcon);
  listener_ = window.AddListener([b = bridge_](std::string_view control, Property property) {
    std::lock_guard lock(b->mutex);
    if (property == Property::Destroyed) b->destroyed = true;
    if (!b->host) return;
    b->dirty.emplace(std::string(control), property);
    if (b->scheduled) return;
    b->scheduled = true;
    QtWindowHost* host = b->host;
    // Queued on the host: dropped by Qt if the host is deleted first.
    QMetaObject::invokeMethod(
        host, [host] { host->Flush(); }, Qt::QueuedConnection);
  });
  // A window destroyed before it was hosted has no listener call coming.
  if (window.IsDestroyed()) {
    std::lock_guard lock(bridge_->mutex);
    bridge_->destroyed = true;
  }
}

QtWindowHost::~QtWindowHost() {
  bool destroyed;
  {
    std::lock_guard lock(bridge_->mutex);
    bridge_->host = nullptr;
    destroyed = bridge_->destroyed;
  }
  // A destroyed window may already be freed; its listener then only finds the host gone.
  if (!destroyed) window_.RemoveListener(listener_);
}

Window* QtWindowHost::Live() const {
  std::lock_guard lock(bridge_->mutex);
  return bridge_->destroyed ? nullptr : &window_;
}

QWidget* QtWindowHost::ControlWidget(std::string_view control) const {
  auto it = widgets_.find(control);
  return it == widgets_.end() ? nullptr : it->second;
}

void QtWindowHost::Build(const QPixmap& frameIcon) {
  const WindowDef& def = window_.Definition();
  auto glyphs = TitleGlyphs(def);
  for (const auto& c : def.controls) {
    if (c.kind == ControlKind::Timer) {
      MakeTimer(c);
      continue;
    }
    auto parentIt = widgets_.find(c.parent);
    QWidget* parent = c.parent.empty() || parentIt == widgets_.end() ? this : parentIt->second;
    QWidget* widget = nullptr;
    if (c.kind == ControlKind::SmallButton || c.kind == ControlKind::PictureButton) {
      auto* button = new TitleButton(parent, glyphs[c.name], parent != this);
      std::string name = c.name;
      connect(button, &QAbstractButton::clicked, this, [this, name] {
        if (Window* w = Live()) w->FireClick(name);
      });
      button->SetPicture(window_.Picture(c.name));
      widget = button;
    } else {
      widget = MakeControl(c, parent, frameIcon);
    }
    widget->setObjectName(ToQt(c.name));
    widget->setGeometry(c.x, c.y, window_.Width(c.name), c.height);
    widget->setEnabled(window_.Enabled(c.name));
    widgets_[c.name] = widget;
    ApplyText(c, widget);
    widget->show();
  }
}

QWidget* QtWindowHost::MakeControl(const ControlDef& c, QWidget* parent, const QPixmap& frameIcon) {
  const bool skinned = window_.Definition().skinned;
  const std::string name = c.name;
  switch (c.kind) {
    case ControlKind::Frame: {
      auto* label = new QLabel(parent);
      if (skinned)
        label->setPixmap(
            frameIcon.scaled(c.width, c.height, Qt::KeepAspectRatio, Qt::SmoothTransformation));
      return label;
    }
    case ControlKind::Label:
    case ControlKind::TransparentLabel: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      // A label inside a coloured strip reads in white.
      if (!c.parent.empty()) label->setStyleSheet("color: white;");
      return label;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(parent);
      if (skinned) button->setStyleSheet(kSkinnedButtonStyle);
      connect(button, &QPushButton::clicked, this, [this, name] {
        if (Window* w = Live()) w->FireClick(name);
      });
      return button;
    }
    case ControlKind::RadioButton: {
      auto* radio = new QRadioButton(parent);
      connect(radio, &QRadioButton::clicked, this, [this, name] {
        if (Window* w = Live()) w->FireClick(name);
      });
      return radio;
    }
    case ControlKind::EditBox: {
      auto* edit = new QLineEdit(parent);
      connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
        if (Window* w = Live()) w->SetText(name, FromQt(text));
      });
      return edit;
    }
    case ControlKind::PictureBox: {
      bool bar = c.width == 0 || HoldsControls(window_.Definition(), c.name);
      auto* box = new PictureBox(parent, bar);
      box->SetPicture(window_.Picture(c.name));
      return box;
    }
    case ControlKind::SmallButton:
    case ControlKind::PictureButton:
    case ControlKind::Timer:
      break;  // built elsewhere
  }
  return new QWidget(parent);
}

void QtWindowHost::MakeTimer(const ControlDef& c) {
  auto* timer = new QTimer(this);
  std::string name = c.name;
  // The tick runs from a posted event, so the timer keeps ticking while a tick of its own has
  // a modal window open (Qt does not fire a timer whose timeout is still running).
  connect(timer, &QTimer::timeout, this, [this, timer, name] {
    QMetaObject::invokeMethod(
        timer,
        [this, name] {
          if (Window* w = Live()) w->FireTimer(name);
        },
        Qt::QueuedConnection);
  });
  timers_[c.name] = timer;
  RestartTimer(c.name);
}

void QtWindowHost::RestartTimer(const std::string& control) {
  auto it = timers_.find(control);
  if (it == timers_.end()) return;
  int period = window_.TimerPeriod(control);
  if (period > 0)
    it->second->start(period);
  else
    it->second->stop();
}

void QtWindowHost::ApplyText(const ControlDef& c, QWidget* widget) {
  QString text = ToQt(window_.Text(c.name));
  if (auto* label = qobject_cast<QLabel*>(widget); label && c.kind != ControlKind::Frame) {
    label->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    // Typing writes the Window first; the echo must not move the cursor.
    if (edit->text() != text) edit->setText(text);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(text);
  } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
    radio->setText(text);
  }
}

void QtWindowHost::Flush() {
  std::set<std::pair<std::string, Property>> changes;
  bool destroyed;
  {
    std::lock_guard lock(bridge_->mutex);
    changes.swap(bridge_->dirty);
    bridge_->scheduled = false;
    destroyed = bridge_->destroyed;
  }
  if (destroyed) {
    if (bridge_->destroyReported) return;
    bridge_->destroyReported = true;
    for (auto& [name, timer] : timers_) timer->stop();
    hide();
    if (onDestroyed_) onDestroyed_();
    return;
  }
  for (const auto& [control, property] : changes) Apply(control, property);
}

void QtWindowHost::Apply(const std::string& control, Property property) {
  if (property == Property::Minimized) {
    showMinimized();
    return;
  }
  if (property == Property::TimerPeriod) {
    RestartTimer(control);
    return;
  }
  const ControlDef* def = window_.Definition().Find(control);
  QWidget* widget = ControlWidget(control);
  if (!def || !widget) return;
  switch (property) {
    case Property::Text:
      ApplyText(*def, widget);
      break;
    case Property::Width:
      widget->resize(std::max(0, window_.Width(control)), def->height);
      break;
    case Property::Enabled:
      widget->setEnabled(window_.Enabled(control));
      break;
    case Property::Picture:
      if (auto* box = dynamic_cast<PictureBox*>(widget)) box->SetPicture(window_.Picture(control));
      if (auto* button = dynamic_cast<TitleButton*>(widget))
        button->SetPicture(window_.Picture(control));
      break;
    default:
      break;
  }
}

void QtWindowHost::paintEvent(QPaintEvent*) {
  const WindowDef& def = window_.Definition();
  if (!def.skinned && !def.borderless) return;
  QPainter p(this);
  QRect r = rect().adjusted(0, 0, -1, -1);
  if (def.skinned) {
    p.fillRect(rect(), skin::kBackground);
    p.fillRect(QRect(0, 0, width(), 3), skin::kAccent);
    p.setPen(skin::kAccent);
  } else {
    p.setPen(palette().color(QPalette::Mid));
  }
  p.drawRect(r);
}

void QtWindowHost::mousePressEvent(QMouseEvent* event) {
  if (!window_.Definition().borderless || event->button() != Qt::LeftButton)
    return QWidget::mousePressEvent(event);
  // A window manager moves the window itself; without one the window follows the mouse.
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void QtWindowHost::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) move(event->globalPosition().toPoint() - dragOffset_);
}

void QtWindowHost::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}

void QtWindowHost::closeEvent(QCloseEvent* event) {
  // Closing from the desktop (a window manager's close button, Alt+F4) destroys the window.
  if (Window* w = Live()) w->Destroy();
  event->accept();
}

}  // namespace brisklet::platform
