#pragma once
// A Window shown as a Qt widget: its controls built from the definition at their places, kept
// in step with the Window's state, and their events fired as the Window's events.
//
// State changes may come from any thread. The Window's listener only notes which control
// changed and posts one refresh to the user-interface thread, where the widgets are brought up
// to date from the Window's current state; a worker that writes a label thousands of times a
// second costs a few repaints. Texts typed into edit boxes go straight into the Window.
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/window.h"

class QTimer;

namespace brisklet::platform {

class QtWindowHost : public QWidget {
 public:
  // `frameIcon` is drawn by the skinned frame control. A host with an `owner` stays a window
  // of its own, kept above the owner.
  QtWindowHost(Window& window, const QPixmap& frameIcon, QWidget* owner = nullptr);
  ~QtWindowHost() override;

  // Runs on the user-interface thread once the Window is destroyed (from any thread).
  void OnDestroyed(std::function<void()> handler) { onDestroyed_ = std::move(handler); }

  // The widget of a control, for tests; nullptr for unknown names and timers.
  QWidget* ControlWidget(std::string_view control) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Bridge;

  void Build(const QPixmap& frameIcon);
  QWidget* MakeControl(const ControlDef& def, QWidget* parent, const QPixmap& frameIcon);
  void MakeTimer(const ControlDef& def);
  void Flush();
  void Apply(const std::string& control, Property property);
  void ApplyText(const ControlDef& def, QWidget* widget);
  void RestartTimer(const std::string& control);
  // The window while it lives; nullptr once it is destroyed, after which no event reaches it.
  Window* Live() const;

  Window& window_;
  std::shared_ptr<Bridge> bridge_;
  int listener_ = 0;
  std::map<std::string, QWidget*, std::less<>> widgets_;
  std::map<std::string, QTimer*, std::less<>> timers_;
  std::function<void()> onDestroyed_;
  bool dragging_ = false;
  QPoint dragOffset_;
};

}  // namespace brisklet::platform
